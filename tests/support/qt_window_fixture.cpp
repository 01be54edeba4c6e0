#include "support/qt_window_fixture.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTimer>
#include <cstdio>
#include <map>

#include "link/port.h"
#include "model/lang_text.h"
#include "model/panel_context.h"
#include "platform/clock.h"
#include "protocol/machine_record.h"
#include "support/usb_port.h"
#include "widgets/CFilterEdit.h"

namespace {

bool Contains(const std::vector<std::string>& list, const std::string& s) {
    for (const auto& e : list) {
        if (e == s) {
            return true;
        }
    }
    return false;
}

} // namespace

std::string LanguageFileText(const std::string& lang, const std::vector<std::string>& dropSections,
                             const std::vector<std::string>& dropKeys) {
    QDir dir(QString(FAXRCP_SOURCE_DIR) + "/src/resources/lang/" + QString::fromStdString(lang));
    std::map<std::string, std::string> sections;
    // SECTION.ini before SECTION.part.ini, as the build merges them.
    QStringList files = dir.entryList({"*.ini"}, QDir::Files, QDir::Name);
    std::stable_sort(files.begin(), files.end(), [](const QString& a, const QString& b) {
        return a.count('.') < b.count('.');
    });
    for (const QString& name : files) {
        const std::string section = name.section('.', 0, 0).toUpper().toStdString();
        if (Contains(dropSections, section)) {
            continue;
        }
        QFile f(dir.filePath(name));
        if (!f.open(QIODevice::ReadOnly)) {
            continue;
        }
        std::string& body = sections[section];
        for (const QByteArray& line : f.readAll().split('\n')) {
            const std::string text = line.toStdString();
            const auto eq = text.find('=');
            if (eq != std::string::npos && Contains(dropKeys, section + "/" + text.substr(0, eq))) {
                continue;
            }
            if (!text.empty()) {
                body += text + "\n";
            }
        }
    }
    std::string out;
    for (const auto& [section, body] : sections) {
        out += "[" + section + "]\n" + body;
    }
    return out;
}

std::vector<std::string> LanguageKeys(const std::string& text) {
    std::vector<std::string> keys;
    std::string section;
    size_t pos = 0;
    while (pos < text.size()) {
        size_t end = text.find('\n', pos);
        if (end == std::string::npos) {
            end = text.size();
        }
        const std::string line = text.substr(pos, end - pos);
        pos = end + 1;
        if (line.size() > 2 && line.front() == '[' && line.back() == ']') {
            section = line.substr(1, line.size() - 2);
        } else if (const auto eq = line.find('='); eq != std::string::npos && eq > 0) {
            keys.push_back(section + "/" + line.substr(0, eq));
        }
    }
    return keys;
}

void WindowTest::SetUp() {
    platform::InstallClock(&clock);
    platform::InstallDebugSink(&traces);
    SetMachineRecordDefaults();
    sim::RegisterSimDevice();
    machine().reset();
    PointUsbPortAt("sim:");
    UseLanguage(LanguageFileText());
    nonAsciiTyped = 0;
}

void WindowTest::TearDown() {
    sim::UnregisterSimDevice();
    machine().reset();
    panelContext.link.Reset();
    languageFilePath.clear();
    platform::InstallDebugSink(nullptr);
    platform::InstallClock(nullptr);
}

void WindowTest::UseLanguage(const std::string& text) {
    languageFilePath = dir.write("language.lng", text);
}

namespace {

void WhenModalOpensTry(std::function<void(QWidget*)> answer, int triesLeft) {
    QTimer::singleShot(triesLeft > 900 ? 0 : 5, [answer, triesLeft] {
        if (QWidget* modal = QApplication::activeModalWidget()) {
            answer(modal);
        } else if (triesLeft > 0) {
            WhenModalOpensTry(answer, triesLeft - 1);
        }
    });
}

} // namespace

void WhenModalOpens(std::function<void(QWidget*)> answer) {
    WhenModalOpensTry(answer, 1000);
}
