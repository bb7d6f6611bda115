// A window of whatever kind the Qt platform makes (a native Wayland window with
// QT_QPA_PLATFORM=wayland) that stands for the app the user works in; runs until killed.
//   tallyvane_test_native_window [TITLE]
#include <QGuiApplication>
#include <QPainter>
#include <QRasterWindow>

namespace {

class Plain : public QRasterWindow {
  protected:
    void paintEvent(QPaintEvent*) override {
        QPainter(this).fillRect(QRect(QPoint(), size()), Qt::darkCyan);
    }
};

}  // namespace

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    Plain window;
    window.setTitle(argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("Front"));
    window.resize(320, 200);
    window.show();
    return QGuiApplication::exec();
}
