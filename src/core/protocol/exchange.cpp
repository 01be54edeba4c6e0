#include "protocol/exchange.h"

#include <cstdio>
#include <new>

#include "link/port.h"
#include "platform/clock.h"
#include "platform/debug_output.h"
#include "protocol/record_trace.h"

void HexDump(const uint8_t* bytes, int32_t count) {
    if (bytes == nullptr) {
        return;
    }
    for (int32_t i = 0; i < count; i += 8) {
        char line[100] = {};
        int used = std::snprintf(line, sizeof line, "%#04x: ", static_cast<unsigned>(i));
        for (int32_t j = i; j < i + 8; ++j) {
            unsigned value = j < count ? bytes[j] : 0;
            used += std::snprintf(line + used, sizeof line - used, "%02X ", value);
        }
        for (int32_t j = i; j < i + 8 && j < count; ++j) {
            uint8_t c = bytes[j];
            bool printable = c >= 0x20 && c < 0x7F;
            used += std::snprintf(line + used, sizeof line - used, "%c", printable ? c : '.');
        }
        std::snprintf(line + used, sizeof line - used, "\r\n");
        platform::OutputDebugString(line);
        if (i > INT32_MAX - 8) {
            break;
        }
    }
}

uint32_t DelayMs(uint32_t n) {
    const uint32_t start = platform::GetTickCount();
    for (;;) {
        uint32_t elapsed = platform::GetTickCount() - start;
        if (elapsed >= n) {
            return elapsed;
        }
        platform::Sleep(n - elapsed);
    }
}

void PauseMs(uint32_t n) {
    const uint32_t start = platform::GetTickCount();
    const uint32_t until = start + n;
    if (until < start) {
        return; // the sum wrapped
    }
    // The elapsed check keeps a sleep that overshoots the wrap from waiting
    // another 49 days.
    for (;;) {
        uint32_t now = platform::GetTickCount();
        if (now >= until || now - start >= n) {
            return;
        }
        platform::Sleep(until - now);
    }
}

ExchangeScope::ExchangeScope(LinkState& link, uint32_t budgetMs) : link_(link) {
    PortDiscard(link_);
    BeginExchange(link_, budgetMs);
}

ExchangeScope::~ExchangeScope() {
    EndExchange(link_);
}

Answer ReadAnswer(LinkState& link, std::span<const uint8_t> request, const AnswerSteps& steps) {
    const auto size = static_cast<int32_t>(request.size());
    ExchangeScope exchange(link, ExchangeBudgetMs(steps.delayMs, 1, size + steps.answerSize));
    const int32_t written = PortWrite(link, request.data(), size);
    platform::OutputDebugString(steps.banner);
    TraceNumber("WriteData = %d \n", written);
    DelayMs(steps.delayMs);
    if (written != size) {
        return {};
    }

    std::unique_ptr<uint8_t[]> bytes(new (std::nothrow) uint8_t[steps.answerSize]());
    if (!bytes) {
        platform::OutputDebugString(steps.allocationFailure);
        return {};
    }
    const int32_t n = PortRead(link, bytes.get(), steps.answerSize);
    TraceNumber("Size to read = %d \n", steps.answerSize);
    TraceNumber("ReadData = %d \n", n);
    HexDump(bytes.get(), steps.dumpWholeBuffer ? steps.answerSize : n);
    return {std::move(bytes), n};
}

int32_t AnnouncedLength(const uint8_t* answer, int32_t received) {
    return received > 4 ? ReadBe16(answer + 2) : 0;
}

bool AcknowledgementWellFormed(const uint8_t* answer, int32_t received) {
    return answer != nullptr && received >= 4 && answer[0] == frame::kEsc &&
           answer[1] == frame::kHead && received == AnnouncedLength(answer, received) + 4;
}

bool AnswerCovers(const uint8_t* answer, int32_t received, int32_t need) {
    if (answer == nullptr || need < 4 || received < need) {
        return false;
    }
    return answer[0] == frame::kEsc && answer[1] == frame::kHead &&
           ReadBe16(answer + 2) + 4 >= need;
}
