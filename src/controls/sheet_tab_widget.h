#pragma once
// The sheet's tabbed area with its tab row painted by CEnTabCtrl in the
// sheet's grey, and the body frame the tab row draws.

#include <QTabWidget>

namespace lumivex {

class CEnTabCtrl;

class SheetTabWidget : public QTabWidget {
    Q_OBJECT
public:
    static constexpr quint32 kTabColour = 0x00CECECE;  // 0x00BBGGRR
    static constexpr int kPaintMode = 2;
    static constexpr quint32 kLookFlags = 0x1F;

    // Installs the tab row before any page is added, then gives it the
    // sheet's colour, paint mode and look flags.
    explicit SheetTabWidget(QWidget* parent = nullptr);

    CEnTabCtrl* tabRow() const { return m_tabRow; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    CEnTabCtrl* m_tabRow = nullptr;
};

}  // namespace lumivex
