#include <QtTest>

#include <cstdint>
#include <string>
#include <vector>

#include "DeviceBroadcastRecord.h"

using capture::DeviceBroadcastKind;

Q_DECLARE_METATYPE(DeviceBroadcastKind)

namespace {

void putLe32(std::vector<unsigned char> &bytes, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        bytes[at + i] = static_cast<unsigned char>(v >> (8 * i));
}

// A DEV_BROADCAST_DEVICEINTERFACE_W as the system lays it out: size, type, reserved, class GUID,
// then the UTF-16LE name. `stated` overrides the size field; 0 means the true size.
std::vector<unsigned char> record(const std::u16string &name, std::uint32_t type = 5,
                                  bool terminated = true, std::uint32_t stated = 0) {
    std::vector<unsigned char> bytes(28 + 2 * (name.size() + (terminated ? 1 : 0)), 0);
    putLe32(bytes, 0, stated ? stated : static_cast<std::uint32_t>(bytes.size()));
    putLe32(bytes, 4, type);
    for (std::size_t i = 0; i < name.size(); ++i) {
        bytes[28 + 2 * i] = static_cast<unsigned char>(name[i] & 0xFF);
        bytes[28 + 2 * i + 1] = static_cast<unsigned char>(name[i] >> 8);
    }
    return bytes;
}

capture::DeviceBroadcast parse(std::uintptr_t wParam, const std::vector<unsigned char> &bytes,
                               std::size_t size) {
    return capture::parseDeviceBroadcast(wParam, bytes.data(), size);
}

const std::u16string kName = u"\\\\?\\USB#VID_ABCD&PID_12EF#5&2&0&1#{65e8773d}\\global";
const std::string kPath = "@device:pnp:\\\\?\\USB#VID_ABCD&PID_12EF#5&2&0&1#{65e8773d}\\global";

}  // namespace

class TestDeviceBroadcastRecord : public QObject {
    Q_OBJECT
private slots:
    void kindFollowsWParamForInterfaceRecords_data() {
        QTest::addColumn<quint64>("wParam");
        QTest::addColumn<DeviceBroadcastKind>("kind");
        QTest::newRow("arrival") << quint64(0x8000) << DeviceBroadcastKind::Arrival;
        QTest::newRow("remove complete") << quint64(0x8004) << DeviceBroadcastKind::Removal;
        QTest::newRow("query remove") << quint64(0x8001) << DeviceBroadcastKind::None;
        QTest::newRow("remove pending") << quint64(0x8003) << DeviceBroadcastKind::None;
        QTest::newRow("nodes changed") << quint64(0x0007) << DeviceBroadcastKind::None;
    }
    void kindFollowsWParamForInterfaceRecords() {
        QFETCH(quint64, wParam);
        QFETCH(DeviceBroadcastKind, kind);
        const auto bytes = record(kName);
        const auto result = parse(wParam, bytes, bytes.size());
        QCOMPARE(result.kind, kind);
        QCOMPARE(result.utf8Path, kind == DeviceBroadcastKind::None ? std::string() : kPath);
    }

    void otherDeviceTypesAreIgnored() {
        for (std::uint32_t type : {0u, 2u, 3u, 6u, 0x105u}) {
            const auto bytes = record(kName, type);
            QCOMPARE(parse(0x8000, bytes, bytes.size()).kind, DeviceBroadcastKind::None);
        }
    }

    // The name ends at the NUL, at the size the record states, or at the caller's size,
    // whichever comes first; text beyond either bound must not leak into the path.
    void nameStaysWithinTheRecord() {
        auto open = record(u"abc", 5, false);
        open.insert(open.end(), {'X', 0, 'Y', 0, 0, 0});  // readable, but not the record's
        QCOMPARE(parse(0x8000, open, open.size()).utf8Path, std::string("@device:pnp:abc"));

        auto stated = record(u"abcdef", 5, true, 28 + 2 * 3);
        QCOMPARE(parse(0x8004, stated, stated.size()).utf8Path, std::string("@device:pnp:abc"));

        const auto full = record(u"abcdef");
        QCOMPARE(parse(0x8000, full, 28 + 2 * 2 + 1).utf8Path, std::string("@device:pnp:ab"));
    }

    void malformedRecordsGiveNothing() {
        QCOMPARE(capture::parseDeviceBroadcast(0x8000, nullptr, 64).kind,
                 DeviceBroadcastKind::None);
        const auto bytes = record(kName);
        QCOMPARE(parse(0x8000, bytes, 11).kind, DeviceBroadcastKind::None);
        QCOMPARE(parse(0x8000, bytes, 27).kind, DeviceBroadcastKind::None);
        const auto shortStated = record(kName, 5, true, 20);
        QCOMPARE(parse(0x8000, shortStated, shortStated.size()).kind, DeviceBroadcastKind::None);

        // A record that just reaches the name has an empty one.
        const auto empty = parse(0x8004, bytes, 28);
        QCOMPARE(empty.kind, DeviceBroadcastKind::Removal);
        QCOMPARE(empty.utf8Path, std::string("@device:pnp:"));
    }

    void utf16BecomesUtf8() {
        const auto check = [](const std::u16string &name, bool terminated, const char *utf8) {
            const auto bytes = record(name, 5, terminated);
            QCOMPARE(parse(0x8000, bytes, bytes.size()).utf8Path,
                     std::string("@device:pnp:") + utf8);
        };
        check(u"cam\u00e9ra\u4e2d", true, "cam\xC3\xA9ra\xE4\xB8\xAD");
        check(u"\U0001F4F7x", true, "\xF0\x9F\x93\xB7x");
        check(std::u16string(u"a") + char16_t(0xDC00) + u"b", true,
              "a\xEF\xBF\xBD"
              "b");
        check(std::u16string(u"a") + char16_t(0xD83D) + u"b", true,
              "a\xEF\xBF\xBD"
              "b");
        // A pair cut off by the record's end.
        check(std::u16string(u"a") + char16_t(0xD83D), false, "a\xEF\xBF\xBD");
    }

    // The window-procedure form reads the record's own size and touches lParam only for
    // arrivals and removals (for other messages it need not be a pointer at all).
    void messageFormBoundsByTheStatedSize() {
        auto bytes = record(u"abcdef", 5, false, 28 + 2 * 4);
        const auto lParam = reinterpret_cast<std::intptr_t>(bytes.data());
        const auto result = capture::parseDeviceBroadcastMessage(0x8000, lParam);
        QCOMPARE(result.kind, DeviceBroadcastKind::Arrival);
        QCOMPARE(result.utf8Path, std::string("@device:pnp:abcd"));

        QCOMPARE(capture::parseDeviceBroadcastMessage(0x0007, 1).kind, DeviceBroadcastKind::None);
        QCOMPARE(capture::parseDeviceBroadcastMessage(0x8004, 0).kind, DeviceBroadcastKind::None);
    }
};

QTEST_APPLESS_MAIN(TestDeviceBroadcastRecord)
#include "tst_device_broadcast_record.moc"
