#pragma once

#include "platform/form_events.h"
#include "platform/ticker_labels.h"

#include <QPointer>

#include <map>
#include <string>

class QLabel;

namespace qinghe::platform::qt {

class QtControl;
class TickerLabel;

// The control array Label3 inside the strip Frame1. Label 0 exists from the
// start; the others are loaded as copies of it. A caption sets the label's
// width to the caption's extent; its height stays as designed. A label's Left is kept in
// twips as written and the label stands at the nearest whole pixel. A click
// on label i raises Label3_Click(i) through a queued call.
class QtTickerLabels final : public TickerLabels {
public:
    // strip: Frame1, whose widget becomes the labels' parent.
    explicit QtTickerLabels(const QtControl& strip);
    ~QtTickerLabels() override;
    QtTickerLabels(const QtTickerLabels&) = delete;
    QtTickerLabels& operator=(const QtTickerLabels&) = delete;

    void set_events(FormEvents* sink) { sink_ = sink; }
    // The label's widget, or null when the index is not loaded.
    QLabel* label(int index) const;

    int count() const override { return static_cast<int>(labels_.size()); }
    void load(int index) override;
    void unload(int index) override;
    std::string caption(int index) const override;
    void set_caption(int index, const std::string& caption) override;
    float left(int index) const override;
    void set_left(int index, float twips) override;
    float width(int index) const override;
    bool visible(int index) const override;
    void set_visible(int index, bool visible) override;
    float strip_width() const override;

private:
    struct Entry {
        QPointer<TickerLabel> label;
        float left = 0;
    };

    Entry& entry(int index);
    const Entry& entry(int index) const;
    TickerLabel* make_label(int index);

    const QtControl& strip_;
    std::map<int, Entry> labels_;
    FormEvents* sink_ = nullptr;
};

}  // namespace qinghe::platform::qt
