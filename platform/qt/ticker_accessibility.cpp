#include "platform/qt/ticker_accessibility.h"

#include "platform/qt/ticker_label.h"
#include "platform/qt/ticker_strip.h"

#include <QAccessibleWidget>

namespace qinghe::platform::qt {

namespace {

QList<TickerLabel*> labels_of(const TickerStrip* strip) {
    return strip->surface()->findChildren<TickerLabel*>(Qt::FindDirectChildrenOnly);
}

// The strip's labels sit on a window of their own; to accessibility they are
// the strip's children, in the order they were made.
class StripAccessible final : public QAccessibleWidget {
public:
    explicit StripAccessible(TickerStrip* strip) : QAccessibleWidget(strip, QAccessible::Grouping) {}

    QString text(QAccessible::Text kind) const override {
        return kind == QAccessible::Name ? QStringLiteral("广告") : QAccessibleWidget::text(kind);
    }
    int childCount() const override { return static_cast<int>(labels_of(strip()).size()); }
    QAccessibleInterface* child(int index) const override {
        const QList<TickerLabel*> labels = labels_of(strip());
        return index >= 0 && index < labels.size() ? QAccessible::queryAccessibleInterface(labels.at(index)) : nullptr;
    }
    int indexOfChild(const QAccessibleInterface* child) const override {
        if (child == nullptr) return -1;
        return static_cast<int>(labels_of(strip()).indexOf(qobject_cast<TickerLabel*>(child->object())));
    }

private:
    TickerStrip* strip() const { return static_cast<TickerStrip*>(widget()); }
};

// A label is a link: its text is its name, and its one action is the click.
class TickerLabelAccessible final : public QAccessibleWidget {
public:
    explicit TickerLabelAccessible(TickerLabel* label) : QAccessibleWidget(label, QAccessible::Link) {}

    QString text(QAccessible::Text kind) const override {
        return kind == QAccessible::Name ? label()->text() : QAccessibleWidget::text(kind);
    }
    QAccessibleInterface* parent() const override {
        if (TickerStrip* strip = TickerStrip::holding(label())) return QAccessible::queryAccessibleInterface(strip);
        return QAccessibleWidget::parent();
    }
    QStringList actionNames() const override { return {pressAction()}; }
    void doAction(const QString& name) override {
        if (name == pressAction()) label()->click();
    }
    QStringList keyBindingsForAction(const QString&) const override { return {}; }

private:
    TickerLabel* label() const { return static_cast<TickerLabel*>(widget()); }
};

QAccessibleInterface* make_ticker_accessible(const QString&, QObject* object) {
    if (auto* strip = qobject_cast<TickerStrip*>(object)) return new StripAccessible(strip);
    if (auto* label = qobject_cast<TickerLabel*>(object)) return new TickerLabelAccessible(label);
    return nullptr;
}

}  // namespace

void install_ticker_accessibility() {
    static const bool installed = [] {
        QAccessible::installFactory(make_ticker_accessible);
        return true;
    }();
    (void)installed;
}

}  // namespace qinghe::platform::qt
