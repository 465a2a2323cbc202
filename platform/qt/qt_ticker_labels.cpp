#include "platform/qt/qt_ticker_labels.h"

#include "platform/base/error.h"
#include "platform/base/int16.h"
#include "platform/qt/event_delivery.h"
#include "platform/qt/qt_control.h"
#include "platform/qt/qt_text.h"
#include "platform/qt/ticker_label.h"
#include "platform/qt/ticker_strip.h"
#include "platform/qt/twips.h"

#include <QMetaObject>

#include <memory>

namespace qinghe::platform::qt {

namespace {
// Label 0 as designed: caption "Label3111", 810 twips wide and as high as the
// strip, at its top left corner, in the window's default font.
const char* const design_caption = "Label3111";
constexpr int design_width_twips = 810;
// The widget the labels are children of: the strip's surface, or a plain
// strip itself.
QWidget* label_parent(QWidget* strip) {
    if (const auto* ticker_strip = qobject_cast<TickerStrip*>(strip)) return ticker_strip->surface();
    return strip;
}
}  // namespace

QtTickerLabels::QtTickerLabels(const QtControl& strip) : strip_(strip) {
    if (strip_.widget() == nullptr) throw PlatformError("the ticker strip has been destroyed");
    TickerLabel* first = make_label(0);
    // The window's default font, at a size whose glyphs the strip shows whole.
    first->setFont(TickerLabel::fitting_font(first->font(), to_pixels(strip_height_twips)));
    first->set_caption(QString::fromLatin1(design_caption));
    first->setGeometry(0, 0, to_pixels(design_width_twips), to_pixels(strip_height_twips));
    first->setVisible(true);
    labels_[0].label = first;
}

QtTickerLabels::~QtTickerLabels() {
    for (auto& [index, entry] : labels_) delete entry.label.data();
}

TickerLabel* QtTickerLabels::make_label(int index) {
    auto* label = new TickerLabel(label_parent(strip_.widget()));
    QObject::connect(label, &TickerLabel::clicked, label, [this, index, label] {
        // Queued, so the handler runs after the mouse event has finished with
        // the label; an unloaded label takes its pending click with it.
        QMetaObject::invokeMethod(
            label, [this, index] { raise_event(sink_, [index](FormEvents& sink) { sink.Label3_Click(index); }); },
            Qt::QueuedConnection);
    });
    return label;
}

QtTickerLabels::Entry& QtTickerLabels::entry(int index) {
    const auto found = labels_.find(index);
    if (found == labels_.end() || found->second.label.isNull())
        throw PlatformError("no ticker label with index " + std::to_string(index));
    return found->second;
}

const QtTickerLabels::Entry& QtTickerLabels::entry(int index) const {
    return const_cast<QtTickerLabels*>(this)->entry(index);
}

QLabel* QtTickerLabels::label(int index) const {
    const auto found = labels_.find(index);
    return found == labels_.end() ? nullptr : found->second.label.data();
}

void QtTickerLabels::load(int index) {
    if (index < 0 || index > int16_max)
        throw PlatformError("ticker label index out of range: " + std::to_string(index));
    if (labels_.count(index) != 0) throw PlatformError("ticker label " + std::to_string(index) + " is already loaded");
    if (strip_.widget() == nullptr) throw PlatformError("the ticker strip has been destroyed");
    const Entry& model = entry(0);
    const TickerLabel& original = *model.label;

    std::unique_ptr<TickerLabel> copy(make_label(index));
    copy->set_caption(original.caption());
    copy->setFont(original.font());
    copy->setCursor(original.cursor());
    copy->setAlignment(original.alignment());
    copy->setGeometry(original.x(), original.y(), original.width(), original.height());
    copy->setVisible(false);
    Entry& added = labels_[index];
    added.label = copy.release();
    added.left = model.left;
}

void QtTickerLabels::unload(int index) {
    if (index == 0) throw PlatformError("ticker label 0 cannot be unloaded");
    Entry& removed = entry(index);
    delete removed.label.data();
    labels_.erase(index);
}

std::string QtTickerLabels::caption(int index) const {
    return to_std(entry(index).label->caption());
}

void QtTickerLabels::set_caption(int index, const std::string& caption) {
    TickerLabel& label = *entry(index).label;
    label.set_caption(to_qstring(caption));
    // The width follows the caption; the height stays the strip's, so the
    // text sits centred in the strip instead of being cut off below.
    const int height = label.height();
    label.adjustSize();
    label.resize(label.width(), height);
}

float QtTickerLabels::left(int index) const {
    return entry(index).left;
}

void QtTickerLabels::set_left(int index, float twips) {
    Entry& target = entry(index);
    const int x = to_pixels(twips);
    target.label->move(x, target.label->y());
    target.left = twips;
}

float QtTickerLabels::width(int index) const {
    return static_cast<float>(to_twips(entry(index).label->width()));
}

bool QtTickerLabels::visible(int index) const {
    return !entry(index).label->isHidden();
}

void QtTickerLabels::set_visible(int index, bool visible) {
    entry(index).label->setVisible(visible);
}

float QtTickerLabels::strip_width() const {
    return strip_.width();
}

}  // namespace qinghe::platform::qt
