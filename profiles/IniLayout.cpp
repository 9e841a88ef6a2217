#include "IniLayout.h"

#include <QList>
#include <algorithm>

namespace {

struct Section {
    QByteArray header;  // empty before the first header
    QList<QByteArray> entries;
};

// Qt writes the keyless section as "[General]" and sorts it first, as the empty name.
QByteArray sortName(const QByteArray &header) {
    return header == "[General]" ? QByteArray() : header.mid(1, header.size() - 2);
}

// Keys are compared in Qt's escaped form, which sorts like the plain names for the letters,
// digits, '_' and '-' that the program's keys are made of.
QByteArray keyOf(const QByteArray &entry) {
    const int equals = entry.indexOf('=');
    return (equals < 0 ? entry : entry.left(equals)).trimmed();
}

}  // namespace

QByteArray sortedIniLayout(const QByteArray &qtText) {
    QList<Section> sections;
    for (const QByteArray &rawLine : qtText.split('\n')) {
        const QByteArray line = rawLine.endsWith('\r') ? rawLine.left(rawLine.size() - 1) : rawLine;
        if (line.isEmpty())
            continue;
        if (line.startsWith('[') || sections.isEmpty())
            sections.append(Section());
        if (line.startsWith('['))
            sections.last().header = line;
        else
            sections.last().entries.append(line);
    }
    std::stable_sort(sections.begin(), sections.end(), [](const Section &a, const Section &b) {
        return sortName(a.header) < sortName(b.header);
    });
    QByteArray text;
    text.reserve(qtText.size());
    for (Section &section : sections) {
        std::stable_sort(
            section.entries.begin(), section.entries.end(),
            [](const QByteArray &a, const QByteArray &b) { return keyOf(a) < keyOf(b); });
        if (!text.isEmpty())
            text += '\n';
        if (!section.header.isEmpty())
            text += section.header + '\n';
        for (const QByteArray &entry : section.entries)
            text += entry + '\n';
    }
    return text;
}
