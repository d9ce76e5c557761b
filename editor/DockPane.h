// Base of the main frame's dockable panes (the class view and the properties pane).
//
// A pane is made in two steps, as the frame needs: the frame holds its panes by value, so they
// are constructed with the frame, but their contents are built only by Create(), which the
// frame calls after the table list has been loaded. Create() gives the pane its caption, pane
// id, initial size and client area, then calls OnCreate() for the derived pane's children.
//
// Each pane has its own command router: commands added to it act while the focus is inside the
// pane and reach the pane's handlers, never the frame's.
#pragma once

#include "editor/CommandRouter.h"

#include <QDockWidget>
#include <QRect>

class QMainWindow;

class DockPane : public QDockWidget
{
    Q_OBJECT

public:
    explicit DockPane(QWidget* parent = nullptr);
    ~DockPane() override;

    // Makes the pane a child of `frame` (not yet docked; the frame docks it) with `caption`,
    // the pane id `paneId` (also its object name's suffix, for the frame's saved layout) and
    // the size of `initialRect`; builds the client area and calls OnCreate(). Returns false,
    // and leaves the pane hidden, when OnCreate() fails. Called once.
    bool Create(const QString& caption, QMainWindow* frame, int paneId, const QRect& initialRect);

    bool IsCreated() const { return m_created; }
    int PaneId() const { return m_paneId; }
    // The widget that holds the pane's children; owned by the pane. nullptr before Create().
    QWidget* ClientArea() const { return m_clientArea; }
    CommandRouter& Commands() { return m_commands; }

protected:
    // Builds the pane's children inside ClientArea(). Returning false fails the pane's creation
    // (and with it the frame's).
    virtual bool OnCreate();
    // Places the children inside ClientArea(); called after creation and on every resize of
    // the client area. The default does nothing (children managed by a layout need nothing).
    virtual void RepositionControls();

    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    CommandRouter m_commands;
    QWidget* m_clientArea = nullptr;
    int m_paneId = 0;
    bool m_created = false;
};
