#include "IniVariantCheck.h"

#include <QList>
#include <QVector>
#include <cstring>

namespace {

// The four bytes that open a `long` variant in Qt's data-stream form: type 129, big-endian.
const ushort kLongVariant[] = {0, 0, 0, 0x81};
const char kVariantPrefix[] = "@Variant(";

// One line as Qt's INI reader sees it: a backslash before a line break continues the line.
QList<QByteArray> logicalLines(const QByteArray &text, QList<QByteArray> *raw) {
    QList<QByteArray> lines;
    QByteArray line;
    int start = 0;
    for (int i = 0; i < text.size(); ++i) {
        const char ch = text.at(i);
        if (ch == '\\' && i + 1 < text.size()) {
            line += ch;
            line += text.at(++i);
            if ((text.at(i) == '\r' || text.at(i) == '\n') && i + 1 < text.size() &&
                (text.at(i + 1) == '\r' || text.at(i + 1) == '\n') && text.at(i + 1) != text.at(i))
                line += text.at(++i);
            continue;
        }
        if (ch == '\n' || ch == '\r') {
            lines << line;
            *raw << text.mid(start, i + 1 - start);
            line.clear();
            start = i + 1;
            continue;
        }
        line += ch;
    }
    if (start < text.size()) {
        lines << line;
        *raw << text.mid(start);
    }
    return lines;
}

bool isHex(char ch) {
    return (ch >= '0' && ch <= '9') || (ch >= 'a' && ch <= 'f') || (ch >= 'A' && ch <= 'F');
}

// The characters of one list item, escapes resolved and quotes dropped, as Qt's reader takes them.
QVector<uint> unescaped(const QByteArray &item) {
    QVector<uint> out;
    for (int i = 0; i < item.size(); ++i) {
        const char ch = item.at(i);
        if (ch == '"')
            continue;
        if (ch != '\\' || i + 1 >= item.size()) {
            out << uchar(ch);
            continue;
        }
        const char next = item.at(++i);
        if (next == 'x' || (next >= '0' && next <= '7')) {
            const int base = next == 'x' ? 16 : 8;
            uint value = next == 'x' ? 0 : uint(next - '0');
            while (i + 1 < item.size() &&
                   (base == 16 ? isHex(item.at(i + 1))
                               : item.at(i + 1) >= '0' && item.at(i + 1) <= '7')) {
                value = qMin(value * base + uint(QByteArray(1, item.at(++i)).toUInt(nullptr, 16)),
                             0x10000u);
            }
            out << value;
        } else if (next != '\n' && next != '\r') {
            const char *const plain = "abfnrtv";
            const char *const control = "\a\b\f\n\r\t\v";
            const char *const found = std::strchr(plain, next);
            out << uchar(found ? control[found - plain] : next);
        }
    }
    int first = 0;
    while (first < out.size() && (out[first] == ' ' || out[first] == '\t'))
        ++first;
    return out.mid(first);
}

bool isForeignVariant(const QVector<uint> &item) {
    const int prefix = int(sizeof kVariantPrefix) - 1;
    if (item.size() < prefix)
        return false;
    for (int i = 0; i < prefix; ++i)
        if (item[i] != uchar(kVariantPrefix[i]))
            return false;
    for (int i = 0; i < 4; ++i)
        if (prefix + i >= item.size() || item[prefix + i] != kLongVariant[i])
            return true;
    return false;
}

bool holdsForeignVariant(const QByteArray &line) {
    const int equals = line.indexOf('=');
    if (equals < 0)
        return false;
    // Items are split at commas outside quotes, as Qt splits a list value.
    bool quoted = false;
    int start = equals + 1;
    for (int i = start; i <= line.size(); ++i) {
        const char ch = i < line.size() ? line.at(i) : ',';
        if (ch == '\\') {
            ++i;
        } else if (ch == '"') {
            quoted = !quoted;
        } else if (ch == ',' && (!quoted || i == line.size())) {
            if (isForeignVariant(unescaped(line.mid(start, i - start))))
                return true;
            start = i + 1;
        }
    }
    return false;
}

}  // namespace

QList<QByteArray> foreignVariantLines(const QByteArray &iniText) {
    QList<QByteArray> raw;
    const QList<QByteArray> lines = logicalLines(iniText, &raw);
    QList<QByteArray> foreign;
    for (int i = 0; i < lines.size(); ++i)
        if (holdsForeignVariant(lines.at(i)))
            foreign << raw.at(i);
    return foreign;
}

QByteArray withoutForeignVariants(const QByteArray &iniText) {
    QList<QByteArray> raw;
    const QList<QByteArray> lines = logicalLines(iniText, &raw);
    QByteArray kept;
    for (int i = 0; i < lines.size(); ++i)
        if (!holdsForeignVariant(lines.at(i)))
            kept += raw.at(i);
    return kept;
}
