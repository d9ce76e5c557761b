// Toolbar customisation ("自定义..."): lists the buttons of the given toolbars with a check box
// each; unchecking a button hides it at once, checking shows it again.
#pragma once

#include <QDialog>
#include <QList>
#include <QPointer>

class QAction;
class QListWidget;
class QListWidgetItem;
class QToolBar;

class ToolbarCustomizeDlg : public QDialog
{
    Q_OBJECT

public:
    // The toolbars are not owned and must outlive the dialog.
    explicit ToolbarCustomizeDlg(const QList<QToolBar*>& toolBars, QWidget* parent = nullptr);
    ~ToolbarCustomizeDlg() override;

    // The list of buttons; each item's check state is its button's visibility.
    QListWidget* ButtonList() const { return m_list; }

    // The toolbar actions that stand for buttons (separators and embedded widgets excluded).
    static QList<QAction*> ButtonActions(const QToolBar* toolBar);

private:
    void OnItemChanged(QListWidgetItem* item);
    void OnReset();

    QListWidget* m_list = nullptr;
    QList<QPointer<QAction>> m_actions; // item row -> action; null for a toolbar's title row
};
