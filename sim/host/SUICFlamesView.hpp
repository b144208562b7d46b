// The assistant's flames view, as the host process defines it: a full-screen view whose flames are
// drawn in a subview of its own (a FlamesWaveformView), so that whatever is sent to the back lies
// behind them.
#pragma once

#include <uikit/UIView.hpp>

class SUICFlamesView final : public UIView {
public:
    explicit SUICFlamesView(CGRect frame);
    static std::shared_ptr<SUICFlamesView> initWithFrame(CGRect);

    // Registers the class with the runtime, as the host does when its image loads.
    static Class registerClass();

    bool isRunning() const { return m_isRunning; }
    const std::shared_ptr<UIView>& flames() const { return m_flames; }

    // The host's own work: the flames run while the view is in a view tree.
    void didMoveToSuperview();

private:
    std::shared_ptr<UIView> m_flames;
    bool m_isRunning { false };
};
