#pragma once
// Fixture of the machine record tests: the platform doubles, the records at
// their defaults, a 100-slot phonebook table and a scripted device behind the
// USB port ("fake:records").
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "link/port.h"
#include "model/panel_context.h"
#include "protocol/inquiry.h"
#include "protocol/machine_info.h"
#include "protocol/machine_record.h"
#include "protocol/phonebook.h"
#include "protocol/system_setup.h"
#include "protocol/system_status.h"
#include "support/core/context_fixture.h"
#include "support/core/panel_fixture.h"
#include "support/platform/bytes.h"
#include "support/platform/fake_device.h"

// Points the USB port (without the NT library) at a device name.
inline void UseUsbDevice(LinkState& link, const char* name) {
    PointUsbPortAt(link, name);
    link.isNt5 = 0;
    link.isWin9x = 0;
}

// A well-formed answer to a write: ten bytes announcing six.
inline const ByteVector kWriteAck = {0x1B, 0xA4, 0x00, 0x06, 0x50, 0xE0, 0x82, 0xC2, 0x00, 0x00};

class RecordTest : public ContextTest {
  protected:
    void SetUp() override {
        ContextTest::SetUp();
        clock.setTick(5000);
        SetMachineRecordDefaults(panelContext.records);
        ASSERT_TRUE(AllocatePhonebookTable(panelContext.records, 100));
        device = std::make_unique<FakeDevice>("fake:records");
        UseUsbDevice(panelContext.link, "fake:records");
    }
    void TearDown() override {
        device.reset();
        ContextTest::TearDown();
    }

    // Trace lines without the hexadecimal dump lines (those end in "\r\n").
    std::vector<std::string> plainTraces() const {
        std::vector<std::string> out;
        for (const auto& l : debug.lines) {
            if (l.size() < 2 || l.compare(l.size() - 2, 2, "\r\n") != 0) {
                out.push_back(l);
            }
        }
        return out;
    }
    int dumpLines() const { return static_cast<int>(debug.lines.size() - plainTraces().size()); }
    // Reads that waited for an answer; the drain before each request reads at once.
    int readCalls() const { return device->waitingReads(); }
    // A new device with an empty script and record.
    void freshDevice() {
        device.reset();
        device = std::make_unique<FakeDevice>("fake:records");
    }
    // Scripts one read per entry.
    void answer(std::initializer_list<ByteVector> reads) {
        for (const auto& r : reads) {
            device->onRead(r);
        }
    }

    std::unique_ptr<FakeDevice> device;
};

// A record as raw bytes, for before/after comparisons.
template <typename T> ByteVector RawBytes(const T& record) {
    const auto* p = reinterpret_cast<const uint8_t*>(&record);
    return ByteVector(p, p + sizeof record);
}

inline ByteVector Concat(std::initializer_list<ByteVector> parts) {
    ByteVector all;
    for (const auto& p : parts) {
        all.insert(all.end(), p.begin(), p.end());
    }
    return all;
}

inline ByteVector Repeat(uint8_t value, size_t count) {
    return ByteVector(count, value);
}

inline ByteVector Slice(const ByteVector& v, size_t from, size_t to) {
    return ByteVector(v.begin() + static_cast<long>(from), v.begin() + static_cast<long>(to));
}
