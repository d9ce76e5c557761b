// Finding: the find bar (Ctrl+F: a text, the scope "本表" / "所有表" and "整字匹配") and the pane
// "查找结果" that lists what it found (table, id, name, field, the matching text). Enter or a
// double-click on a result, and F3 / Shift+F3 (next / previous), go to its row and field
// (CTesselDoc::GoTo). The search itself is tool/tableFind.h.
//
// Both are owned by the main frame (Qt children); they follow the document they are given, which
// outlives them. The results keep plain values (table name, row position and id, field) and find
// their rows again when one is gone to.
#pragma once

#include "tool/tableFind.h"

#include <QDockWidget>
#include <QToolBar>

#include <string>
#include <vector>

class CTesselDoc;
class QCheckBox;
class QComboBox;
class QLineEdit;
class QTableWidget;
namespace tarn
{
class Row;
}

class CFindPane : public QDockWidget
{
    Q_OBJECT

public:
    explicit CFindPane(CTesselDoc* document, QWidget* parent = nullptr);
    ~CFindPane() override;

    struct Result
    {
        std::u16string table; // data file name
        int position = 0;
        int rowId = 0;
        int field = 0;
        QString text;
    };

    // Searches `tables` and lists the results (the first becomes current, nothing is gone to).
    void Search(const std::vector<tarn::editor::Table*>& tables, const QString& text, bool wholeWord);
    const std::vector<Result>& Results() const { return m_results; }
    QTableWidget* List() const { return m_list; }
    // Goes to result `index` (its line becomes current). False when there is none or its row is gone.
    bool GoToResult(int index);
    // F3 / Shift+F3: the next / previous result after the current one, wrapping around.
    bool Step(int direction);
    int CurrentResult() const { return m_current; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    CTesselDoc* m_document;
    QTableWidget* m_list = nullptr;
    std::vector<Result> m_results;
    int m_current = -1;
};

class CFindBar : public QToolBar
{
    Q_OBJECT

public:
    CFindBar(CTesselDoc* document, CFindPane* pane, QWidget* parent = nullptr);

    // Shows the bar and puts the focus into its text (all selected).
    void Open();
    // Searches with what the bar holds, shows the results pane and goes to the first result.
    void Find();

    QLineEdit* TextEdit() const { return m_text; }
    QComboBox* ScopeCombo() const { return m_scope; }
    QCheckBox* WholeWordCheck() const { return m_wholeWord; }

private:
    CTesselDoc* m_document;
    CFindPane* m_pane;
    QLineEdit* m_text = nullptr;
    QComboBox* m_scope = nullptr;
    QCheckBox* m_wholeWord = nullptr;
};
