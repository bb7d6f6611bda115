#include "ui/controls/ShownChildren.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QWidget>

#include <mutex>

namespace tv {

namespace {

// Qt's interface for a plain widget, with its hidden children left out.
class ShownChildrenInterface : public QAccessibleWidget {
  public:
    explicit ShownChildrenInterface(QWidget* widget) : QAccessibleWidget(widget) {}

    int childCount() const override { return static_cast<int>(shown().size()); }

    QAccessibleInterface* child(int index) const override {
        QList<QWidget*> children = shown();
        if (index < 0 || index >= children.size()) {
            return nullptr;
        }
        return QAccessible::queryAccessibleInterface(children.at(index));
    }

    int indexOfChild(const QAccessibleInterface* child) const override {
        if (!child) {
            return -1;
        }
        return static_cast<int>(shown().indexOf(qobject_cast<QWidget*>(child->object())));
    }

    QAccessibleInterface* childAt(int x, int y) const override {
        QList<QWidget*> children = shown();
        for (QWidget* w : children) {
            QAccessibleInterface* candidate = QAccessible::queryAccessibleInterface(w);
            if (candidate && candidate->isValid() && candidate->rect().contains(x, y)) {
                return candidate;
            }
        }
        return nullptr;
    }

  private:
    // Child widgets in Qt's order, as Qt lists them (no windows), without the hidden ones.
    QList<QWidget*> shown() const {
        QList<QWidget*> out;
        if (!widget()) {
            return out;  // asked in the moment the widget is being destroyed
        }
        for (QObject* o : widget()->children()) {
            auto* w = qobject_cast<QWidget*>(o);
            if (w && !w->isWindow() && !w->isHidden()) {
                out.append(w);
            }
        }
        return out;
    }
};

// Asked for each class of an object from the most derived up; "QWidget" is reached only by
// widgets no more specific interface claimed.
//
// Scroll areas are claimed too. Qt's own interface for them (6.4) lists the viewport and the
// scroll bars that are visible, and hands out a child by index without checking the index:
// a screen reader that counted a scroll bar and asks for it after the bar went (its list was
// hidden, or shrank) reads past the end of the list, and the program crashes. The same
// children, asked for safely, are the viewport and the bar containers that are not hidden.
QAccessibleInterface* plainWidgets(const QString& className, QObject* object) {
    bool plain = className == QLatin1String("QWidget") ||
                 className == QLatin1String("QScrollArea") ||
                 className == QLatin1String("QAbstractScrollArea");
    if (plain && object && object->isWidgetType()) {
        return new ShownChildrenInterface(static_cast<QWidget*>(object));
    }
    return nullptr;
}

}  // namespace

void ShownChildren::install() {
    static std::once_flag once;
    std::call_once(once, [] { QAccessible::installFactory(plainWidgets); });
}

}  // namespace tv
