// Preloaded into the program, this writes to standard error where the Preview button's centre is
// on the screen once it is painted, "probe btnPreview <x> <y>", so that a test can click it as a
// user does, and which message the preview window paints, "probe message <text>". The program
// itself is not changed.

#include <QCoreApplication>
#include <QEvent>
#include <QHash>
#include <QLabel>
#include <cstdio>

namespace {

class Probe : public QObject {
public:
    bool eventFilter(QObject *watched, QEvent *event) override {
        if (event->type() != QEvent::Paint || !watched->isWidgetType())
            return false;
        auto *widget = static_cast<QWidget *>(watched);
        QString line;
        if (widget->objectName() == "lblErrorString")
            line = "probe message " + static_cast<QLabel *>(widget)->text();
        if (widget->objectName() == "btnPreview") {
            const QPoint centre = widget->mapToGlobal(widget->rect().center());
            line = QString("probe btnPreview %1 %2").arg(centre.x()).arg(centre.y());
        }
        // Each time it changes.
        if (!line.isEmpty() && m_last.value(widget->objectName()) != line) {
            m_last[widget->objectName()] = line;
            std::fprintf(stderr, "%s\n", qPrintable(line));
            std::fflush(stderr);
        }
        return false;
    }

private:
    QHash<QString, QString> m_last;
};

void installProbe() {
    QCoreApplication::instance()->installEventFilter(new Probe);
}

}  // namespace

Q_COREAPP_STARTUP_FUNCTION(installProbe)
