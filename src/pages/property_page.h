#pragma once
// What the four pages have in common: a tab of the sheet built from its
// dialog template, with its controls reachable by id, the tiled background,
// the swallowed Enter key, and the initialisation and activation that the
// sheet's tab changes drive.

#include "pages/dialog_builder.h"
#include "pages/dialog_template.h"
#include "pages/page_background.h"

#include <QWidget>

namespace lumivex {

class PageHost;

class PropertyPage : public QWidget {
    Q_OBJECT
public:
    enum class EnterKey {
        Swallowed,  // Enter never reaches a control or the sheet
        Passed,     // Enter takes its normal way
    };

    int dialogId() const { return m_template.id; }
    // The tab's caption ("Interface", "Display", ...).
    QString caption() const { return m_template.caption; }
    const DialogTemplate& dialogTemplate() const { return m_template; }

    // The page's controls come into being at its first showing, or at the
    // first call of these, whichever is sooner.
    QWidget* control(int id);
    template <typename T>
    T* control(int id) { return qobject_cast<T*>(control(id)); }
    const std::vector<QButtonGroup*>& radioGroups();
    bool isBuilt() const { return m_isBuilt; }

    QSize sizeHint() const override { return m_pixelSize; }
    QSize minimumSizeHint() const override { return m_pixelSize; }

    const PageBackground& background() const { return m_background; }
    bool isInitialised() const { return m_initialised; }

    // The activation: takes the host from the window the page sits in, then
    // runs the page's own part. Runs on every change to the page's tab and
    // on "Refresh".
    void activate();
    // The host taken at the last activation (or initialisation), or null.
    PageHost* host() const { return m_host; }

protected:
    PropertyPage(int dialogId, EnterKey enter, QWidget* parent);

    // Wires the controls, right after they are built.
    virtual void connectControls() {}
    // The page's own set-up, once, the first time its tab is shown, after
    // the background is loaded.
    virtual void initialisePage() {}
    // The page's part of the activation, with the host just taken.
    virtual void activatePage(PageHost& host);
    // The button runs the activation again.
    void setRefreshButton(int controlId);
    // Takes the host from the window now (initialisation needs it too).
    PageHost* takeHost();
    // Checks the button of radio group `group` at `index`; an index outside
    // the group checks none, as a device's stray value must.
    void checkRadio(int group, int index);

    void showEvent(QShowEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void ensureBuilt();
    void initialise();
    void scheduleActivation();

    DialogTemplate m_template;
    QSize m_pixelSize;
    BuiltDialog m_built;
    bool m_isBuilt = false;
    EnterKey m_enter;
    PageBackground m_background;
    PageHost* m_host = nullptr;
    bool m_initialised = false;
    bool m_activationPending = false;
};

}  // namespace lumivex
