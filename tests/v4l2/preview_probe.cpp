// Loaded into the program with LD_PRELOAD, this tells on standard error where the Preview button
// is on the screen once it is painted, "probe btnPreview <x> <y>" (its centre in screen
// coordinates), so that a test can click it the way a user does, and which message the preview
// window paints, "probe message <text>". The program itself is not changed.

#include <QCoreApplication>
#include <QEvent>
#include <QLabel>
#include <cstdio>

namespace {

class ButtonProbe : public QObject {
public:
    bool eventFilter(QObject *watched, QEvent *event) override {
        if (event->type() != QEvent::Paint || !watched->isWidgetType())
            return false;
        if (watched->objectName() == "lblErrorString") {
            const QString text = static_cast<QLabel *>(watched)->text();
            if (text != m_message) {
                m_message = text;
                std::fprintf(stderr, "probe message %s\n", qPrintable(text));
                std::fflush(stderr);
            }
        } else if (watched->objectName() == "btnPreview") {
            auto *button = static_cast<QWidget *>(watched);
            const QPoint centre = button->mapToGlobal(button->rect().center());
            if (centre != m_reported) {
                m_reported = centre;
                std::fprintf(stderr, "probe btnPreview %d %d\n", centre.x(), centre.y());
                std::fflush(stderr);
            }
        }
        return false;
    }

private:
    QPoint m_reported{-1, -1};
    QString m_message;
};

void installProbe() {
    QCoreApplication::instance()->installEventFilter(new ButtonProbe);
}

}  // namespace

Q_COREAPP_STARTUP_FUNCTION(installProbe)
