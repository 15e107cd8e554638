#pragma once
// CEnTabCtrl: the sheet's tab row, flat tabs filled with a vertical colour
// gradient, the selected one lighter, with thin light and dark edges.

#include "controls/painted_tab_bar.h"

namespace lumivex {

class CEnTabCtrl : public CBaseTabCtrl {
    Q_OBJECT
public:
    enum LookFlag : quint32 {
        Flat = 0x01,       // unselected tabs keep the tab colour (without BackTabs)
        Colour = 0x02,     // the tab colour replaces the button face as the base
        Selection = 0x04,  // the selected tab is lightened
        Gradient = 0x08,   // vertical gradient on displays of 16 bits or more
        BackTabs = 0x10,   // unselected tabs darkened, with edges like the selected one
    };
    static constexpr int kMaxLabelLength = 99;
    static constexpr int kLabelInset = 3;
    static constexpr int kLabelBoxHeight = 20;
    static constexpr int kIconAdvance = 19;
    static constexpr int kBandHeight = 2;
    static constexpr QRgb kSelectedGradientEnd = 0xFFC2BAC7;  // RGB(194, 186, 199)
    static constexpr QRgb kBodyFrame = 0xFFC2BAC7;

    explicit CEnTabCtrl(QWidget* parent = nullptr);

    void setLookFlags(quint32 flags);
    quint32 lookFlags() const { return m_lookFlags; }

    // The label as a tab of this width shows it: at most 99 characters,
    // ending in an ellipsis when it does not fit.
    QString tabLabel(int index, int availableWidth) const;

    void PaintTab(QPainter& painter, const TabItemRecord& item) override;
    void PaintBodyFrame(QPainter& painter, const QRect& body) override;
    void PaintTabEdges(QPainter& painter, const TabItemRecord& item) override;
    QColor TabFillColour(bool selected) const override;
    QColor TabLabelColour(bool selected) const override;

private:
    bool has(LookFlag flag) const { return (m_lookFlags & flag) != 0; }
    // The tab colour when one of the given flags is set and there is one,
    // else the button face.
    QColor baseColour(quint32 whenAnyOf) const;
    void fillTab(QPainter& painter, const QRect& r, bool selected) const;
    void drawLabel(QPainter& painter, const TabItemRecord& item, QRect r) const;

    quint32 m_lookFlags = 0;
};

}  // namespace lumivex
