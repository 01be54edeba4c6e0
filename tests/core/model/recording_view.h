#pragma once
#include <functional>
#include <string>
#include <vector>

#include "model/firmware_transfer.h"
#include "platform/clock.h"

namespace fwtest {

// Plays the page for the engine: keeps the page values, what was shown and
// when, and every call in order.
class RecordingView : public firmware::FirmwareView {
  public:
    struct Shown {
        std::string fileName;
        std::string fileSizeText;
        std::string messageText;
        std::string percentText;
        int pos = 0;
    };
    struct Completion {
        std::string text;
        std::string caption;
        uint32_t tick = 0;
    };
    struct MessageNow {
        std::string text;
        uint32_t tick = 0;
    };

    // Page values as a page holds them once a file has been chosen.
    std::string fileName = "chosen.bin";
    std::string fileSizeText = "10000 bytes";
    std::string messageText = "Select a firmware file.";
    std::string percentText = "0 %";
    int low = -1;
    int high = -1;
    int pos = 0;
    bool updateEnabled = true;
    int cursorDepth = 0;

    std::vector<std::string> events;
    std::vector<int> positions;
    std::vector<Shown> shown;
    std::vector<MessageNow> messagesNow;
    std::vector<Completion> completions;
    std::function<void()> onCompletion;

    void setFileName(const std::string& text) override {
        fileName = text;
        events.push_back("fileName=" + text);
    }
    void setFileSizeText(const std::string& text) override {
        fileSizeText = text;
        events.push_back("fileSizeText=" + text);
    }
    void setMessageText(const std::string& text) override {
        messageText = text;
        events.push_back("message=" + text);
    }
    void setPercentText(const std::string& text) override {
        percentText = text;
        events.push_back("percent=" + text);
    }
    void showValues() override {
        shown.push_back({fileName, fileSizeText, messageText, percentText, pos});
        events.push_back("show");
    }
    void showMessageNow() override {
        messagesNow.push_back({messageText, platform::GetTickCount()});
        events.push_back("showMessageNow");
    }
    void setProgressRange(int lo, int hi) override {
        low = lo;
        high = hi;
        events.push_back("range=" + std::to_string(lo) + ".." + std::to_string(hi));
    }
    void setProgressPos(int p) override {
        pos = p;
        positions.push_back(p);
        events.push_back("pos=" + std::to_string(p));
    }
    void enableUpdate(bool enable) override {
        updateEnabled = enable;
        events.push_back(enable ? "enableUpdate" : "disableUpdate");
    }
    void setWaitCursor(bool wait) override {
        cursorDepth += wait ? 1 : -1;
        events.push_back(wait ? "cursor=wait" : "cursor=normal");
    }
    void showCompletion(const std::string& text, const std::string& caption) override {
        completions.push_back({text, caption, platform::GetTickCount()});
        events.push_back("completion");
        if (onCompletion) {
            onCompletion();
        }
    }

    bool hasEvent(const std::string& event) const {
        for (const auto& e : events) {
            if (e == event) {
                return true;
            }
        }
        return false;
    }
};

} // namespace fwtest
