#include <QtTest>

#include "DeviceBroadcastRecord.h"

namespace {

// A DEV_BROADCAST_DEVICEINTERFACE_W as the system lays it out (size, type, reserved, class GUID,
// then the UTF-16LE name), followed by bytes that are readable but not the record's: a low
// surrogate and an "X". `stated` overrides the size field.
QByteArray record(const QString &name, bool terminated = true, quint32 type = 5,
                  quint32 stated = 0) {
    QByteArray bytes(28, 0);
    bytes.append(reinterpret_cast<const char *>(name.utf16()), 2 * name.size());
    bytes.append(terminated ? 2 : 0, 0);
    const quint32 header[] = {stated ? stated : quint32(bytes.size()), type};  // little-endian
    bytes.replace(0, 8, reinterpret_cast<const char *>(header), 8);
    return bytes.append(QByteArray::fromHex("00dc58000000"));
}

const QString kName = QStringLiteral("\\\\?\\USB#VID_ABCD&PID_12EF#5&2&0&1#{65e8773d}\\global");

}  // namespace

class TestDeviceBroadcastRecord : public QObject {
    Q_OBJECT
private slots:
    // Only arrivals and complete removals of device interfaces count. The name ends at the NUL, at
    // the size the record states or at the readable size, whichever comes first.
    void parsesWithinTheRecord_data() {
        QTest::addColumn<quint64>("wParam");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("readable");     // -1: all of them
        QTest::addColumn<QByteArray>("utf8");  // null: no event
        const quint64 removal = 0x8004;
        const QByteArray none;
        QTest::newRow("arrival") << quint64(0x8000) << record(kName) << -1 << kName.toUtf8();
        QTest::newRow("remove pending") << quint64(0x8003) << record(kName) << -1 << none;
        QTest::newRow("volume record") << quint64(0x8000) << record(kName, true, 2) << -1 << none;
        QTest::newRow("unterminated") << removal << record("abc", false) << -1 << QByteArray("abc");
        QTest::newRow("stated size cuts")
            << removal << record("abcdef", true, 5, 28 + 6) << -1 << QByteArray("abc");
        QTest::newRow("readable size cuts")
            << removal << record("abcdef") << 28 + 5 << QByteArray("ab");
        QTest::newRow("name offset not reached") << removal << record(kName) << 27 << none;
        QTest::newRow("every plane")
            << removal << record(QString::fromUtf16(u"cam\u00e9ra\u4e2d\U0001F4F7x")) << -1
            << QByteArray("cam\xC3\xA9ra\xE4\xB8\xAD\xF0\x9F\x93\xB7x");
        QTest::newRow("lone surrogates")
            << removal << record(QString::fromUtf16(u"a\xDC00x\xD83Dx")) << -1
            << QByteArray("a\xEF\xBF\xBDx\xEF\xBF\xBDx");
        QTest::newRow("pair cut by the end")
            << removal << record(QString(QChar(0xD83D)), false) << -1 << QByteArray("\xEF\xBF\xBD");
    }
    void parsesWithinTheRecord() {
        QFETCH(quint64, wParam);
        QFETCH(QByteArray, bytes);
        QFETCH(int, readable);
        QFETCH(QByteArray, utf8);
        const auto result = capture::parseDeviceBroadcast(wParam, bytes.data(),
                                                          readable < 0 ? bytes.size() : readable);
        QCOMPARE(int(result.kind), utf8.isNull() ? 0 : wParam == 0x8000 ? 1 : 2);
        QCOMPARE(QByteArray::fromStdString(result.utf8Path),
                 utf8.isNull() ? QByteArray() : "@device:pnp:" + utf8);
    }

    // The window-procedure form bounds the read by the record's own size and touches lParam only
    // for arrivals and removals (for other messages it need not be a pointer at all).
    void messageFormBoundsByTheStatedSize() {
        const QByteArray bytes = record("abcdef", false, 5, 28 + 2 * 4);
        QCOMPARE(capture::parseDeviceBroadcastMessage(0x8000, std::intptr_t(bytes.data())).utf8Path,
                 std::string("@device:pnp:abcd"));
        QCOMPARE(int(capture::parseDeviceBroadcastMessage(0x0007, 1).kind), 0);
        QCOMPARE(int(capture::parseDeviceBroadcastMessage(0x8004, 0).kind), 0);
        QCOMPARE(int(capture::parseDeviceBroadcast(0x8000, nullptr, 64).kind), 0);
    }
};

QTEST_APPLESS_MAIN(TestDeviceBroadcastRecord)
#include "tst_device_broadcast_record.moc"
