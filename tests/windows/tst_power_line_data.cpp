#include <QtTest>

#include "PowerLineData.h"

// The driver reads the power-line value as a little-endian signed word at byte 24 of the 44-byte
// buffer and reports its mode at byte 28; nothing else in the buffer is ours to touch.
class TestPowerLineData : public QObject {
    Q_OBJECT
private slots:
    void valueAndFlagsOwnTheirWordsOnly() {
        QByteArray data(capture::kPowerLineDataSize, char(0xCD));
        auto *bytes = reinterpret_cast<unsigned char *>(data.data());
        capture::setPowerLineValue(bytes, -2);
        capture::setPowerLineFlags(bytes, 0x81020304u);
        QByteArray expected(capture::kPowerLineDataSize, char(0xCD));
        expected.replace(24, 8, QByteArray::fromHex("feffffff04030281"));
        QCOMPARE(data.toHex(), expected.toHex());
        QCOMPARE(capture::powerLineValue(bytes), -2);
        QCOMPARE(capture::powerLineFlags(bytes), 0x81020304u);
    }
};

QTEST_APPLESS_MAIN(TestPowerLineData)
#include "tst_power_line_data.moc"
