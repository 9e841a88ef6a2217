#include "IniVariantCheck.h"

#include <QList>
#include <QVector>
#include <cstring>

namespace {

// The four bytes that open a `long` variant in Qt's data-stream form: type 129, big-endian.
const ushort kLongVariant[] = {0, 0, 0, 0x81};
const char kVariantPrefix[] = "@Variant(";

// The lines of `text`, each with its line break, as Qt's INI reader sees them: a backslash before a
// line break continues the line.
QList<QByteArray> logicalLines(const QByteArray &text) {
    QList<QByteArray> lines;
    int start = 0;
    for (int i = 0; i < text.size(); ++i) {
        const char ch = text.at(i);
        if (ch == '\\') {
            ++i;
            if (i + 1 < text.size() && text.at(i) == '\r' && text.at(i + 1) == '\n')
                ++i;
        } else if (ch == '\n' || ch == '\r') {
            lines << text.mid(start, i + 1 - start);
            start = i + 1;
        }
    }
    if (start < text.size())
        lines << text.mid(start);
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
        } else if (next == '\r' || next == '\n') {
            if (i + 1 < item.size() && item.at(i + 1) == (next == '\r' ? '\n' : '\r'))
                ++i;
        } else {
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
        if (ch == '\\' && i + 1 < line.size()) {
            ++i;
        } else if (ch == '"') {
            quoted = !quoted;
        } else if (ch == ',' && (!quoted || i == line.size())) {
            // Only an item holding an at sign, or an escape that may make one, can be a variant.
            const QByteArray item = line.mid(start, i - start);
            if ((item.contains('@') || item.contains('\\')) && isForeignVariant(unescaped(item)))
                return true;
            start = i + 1;
        }
    }
    return false;
}

}  // namespace

QList<QByteArray> foreignVariantLines(const QByteArray &iniText) {
    QList<QByteArray> foreign;
    for (const QByteArray &line : logicalLines(iniText))
        if (holdsForeignVariant(line))
            foreign << line;
    return foreign;
}

QByteArray withoutForeignVariants(const QByteArray &iniText) {
    QByteArray kept;
    for (const QByteArray &line : logicalLines(iniText))
        if (!holdsForeignVariant(line))
            kept += line;
    return kept;
}
