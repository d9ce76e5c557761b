#include "editor/TableExchangeUi.h"

#include "editor/TesselDoc.h"
#include "tool/delimitedText.h"
#include "tool/row.h"
#include "tool/table.h"

#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QPushButton>
#include <QSaveFile>
#include <QStringList>

#include <string>
#include <vector>

namespace
{

// How many problems the import message lists before it refers to its details.
constexpr int kListedProblems = 20;

CTableExchange::Chooser& ChooserHook()
{
    static CTableExchange::Chooser chooser;
    return chooser;
}

CTableExchange::Choice AskFileName(QWidget* parent, const QString& caption, const QString& filters, bool save,
                                   const QString& suggested)
{
    if (const CTableExchange::Chooser& chooser = ChooserHook())
        return chooser(parent, caption, filters, save);
    CTableExchange::Choice choice;
    choice.path = save ? QFileDialog::getSaveFileName(parent, caption, suggested, filters, &choice.filter)
                       : QFileDialog::getOpenFileName(parent, caption, suggested, filters, &choice.filter);
    return choice;
}

QString TableName(const tarn::editor::Table& table)
{
    return QString::fromUtf16(table.m_fileName.c_str());
}

// The table's file name without its extension: items.txt -> items.
QString BaseName(const tarn::editor::Table& table)
{
    return QFileInfo(TableName(table)).completeBaseName();
}

void ShowBox(QWidget* parent, QMessageBox::Icon icon, const QString& name, const QString& text,
             const QString& informative, const QString& details = QString())
{
    QMessageBox box(icon, QStringLiteral("Tessel"), text, QMessageBox::Ok, parent);
    box.setObjectName(name);
    box.setInformativeText(informative);
    if (!details.isEmpty())
        box.setDetailedText(details);
    box.button(QMessageBox::Ok)->setText(QStringLiteral("确定"));
    box.exec();
}

const struct
{
    const char* extension;
    tarn::ExportFormat format;
} kFormats[] = {
    {"csv", tarn::ExportFormat::Csv}, {"tsv", tarn::ExportFormat::Tsv}, {"json", tarn::ExportFormat::Json}};

} // namespace

void CTableExchange::SetChooser(Chooser chooser)
{
    ChooserHook() = std::move(chooser);
}

QString CTableExchange::ExportFilters()
{
    return QStringLiteral("CSV 文件 (*.csv);;TSV 文件 (*.tsv);;JSON 文件 (*.json)");
}

tarn::ExportFormat CTableExchange::FormatFor(const QString& path, const QString& filter)
{
    const QString suffix = QFileInfo(path).suffix().toLower();
    for (const auto& known : kFormats)
        if (suffix == QLatin1String(known.extension))
            return known.format;
    for (const auto& known : kFormats)
        if (filter.contains(QStringLiteral("*.%1").arg(QLatin1String(known.extension))))
            return known.format;
    return tarn::ExportFormat::Csv;
}

QString CTableExchange::Export(QWidget* parent, tarn::editor::Table* table)
{
    if (table == nullptr)
        return QString();
    const Choice choice =
        AskFileName(parent, QStringLiteral("导出表 %1").arg(TableName(*table)), ExportFilters(), true,
                    QDir::current().filePath(BaseName(*table) + QStringLiteral(".csv")));
    if (choice.path.isEmpty())
        return QString();
    const tarn::ExportFormat format = FormatFor(choice.path, choice.filter);
    QString path = choice.path;
    if (QFileInfo(path).suffix().isEmpty())
    {
        for (const auto& known : kFormats)
            if (known.format == format)
                path += QStringLiteral(".%1").arg(QLatin1String(known.extension));
    }

    // Written whole or not at all: a failed export leaves an existing file as it was.
    const std::string bytes = tarn::ExportTable(*table, format);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) ||
        file.write(bytes.data(), static_cast<qint64>(bytes.size())) != static_cast<qint64>(bytes.size()) ||
        !file.commit())
    {
        ShowBox(parent, QMessageBox::Warning, QStringLiteral("ExportFailedBox"),
                QStringLiteral("无法导出表 %1。").arg(TableName(*table)),
                QStringLiteral("%1: %2").arg(QDir::toNativeSeparators(path), file.errorString()));
        return QString();
    }
    return path;
}

QString CTableExchange::Summary(const tarn::ImportPlan& plan)
{
    QString text = QStringLiteral("新增 %1 行，修改 %2 行，未变 %3 行")
                       .arg(plan.added)
                       .arg(plan.changed)
                       .arg(plan.unchanged);
    if (!plan.merge)
        text += QStringLiteral("，删除 %1 行").arg(plan.removed);
    return text;
}

bool CTableExchange::ChangesNothing(tarn::editor::Table& table, const tarn::ImportPlan& plan)
{
    if (plan.added != 0 || plan.changed != 0)
        return false;
    if (plan.merge)
        return true;
    // Replace also changes the table when it drops a row or puts the rows in another order.
    if (plan.removed != 0 || static_cast<int>(plan.records.size()) != table.m_rows.size())
        return false;
    const std::size_t idField = static_cast<std::size_t>(table.m_idFieldIndex);
    std::size_t i = 0;
    for (tarn::Row& row : table.m_rows)
    {
        const tarn::ImportPlan::Record& record = plan.records[i++];
        if (idField >= record.values.size() || record.values[idField].GetInt() != row.Id())
            return false;
    }
    return true;
}

QString CTableExchange::Import(QWidget* parent, CTesselDoc* document, tarn::editor::Table* table)
{
    if (table == nullptr || document == nullptr)
        return QString();
    const Choice choice =
        AskFileName(parent, QStringLiteral("导入表 %1").arg(TableName(*table)),
                    QStringLiteral("表格文本 (*.csv *.tsv *.txt);;所有文件 (*)"), false, QDir::currentPath());
    if (choice.path.isEmpty())
        return QString();
    const QString shownPath = QDir::toNativeSeparators(choice.path);
    QFile file(choice.path);
    if (!file.open(QIODevice::ReadOnly))
    {
        ShowBox(parent, QMessageBox::Warning, QStringLiteral("ImportProblemsBox"),
                QStringLiteral("无法读取 %1，表 %2 没有改变。").arg(shownPath, TableName(*table)),
                file.errorString());
        return QString();
    }
    const QByteArray content = file.readAll();
    const std::string bytes(content.constData(), static_cast<std::size_t>(content.size()));
    const char separator = tarn::GuessSeparator(QFile::encodeName(choice.path).toStdString(), bytes);

    // Every problem first; the mode does not change what the file holds, only what it does.
    tarn::ImportPlan replace;
    tarn::ImportPlan merge;
    std::vector<tarn::ImportProblem> problems;
    if (!tarn::PlanImport(*table, bytes, separator, false, replace, problems) ||
        !tarn::PlanImport(*table, bytes, separator, true, merge, problems))
    {
        QStringList lines;
        for (const tarn::ImportProblem& problem : problems)
            lines << QStringLiteral("%1:%2:%3: 错误: %4")
                         .arg(shownPath)
                         .arg(problem.line)
                         .arg(problem.column)
                         .arg(QString::fromStdString(problem.message));
        QStringList listed = lines.mid(0, kListedProblems);
        if (lines.size() > kListedProblems)
            listed << QStringLiteral("……另有 %1 个问题，见详细信息。").arg(lines.size() - kListedProblems);
        ShowBox(parent, QMessageBox::Warning, QStringLiteral("ImportProblemsBox"),
                QStringLiteral("无法导入 %1：发现 %2 个问题，表 %3 没有改变。")
                    .arg(shownPath)
                    .arg(lines.size())
                    .arg(TableName(*table)),
                listed.join(QLatin1Char('\n')),
                lines.size() > kListedProblems ? lines.join(QLatin1Char('\n')) : QString());
        return QString();
    }

    QMessageBox ask(QMessageBox::Question, QStringLiteral("Tessel"),
                    QStringLiteral("把 %1 的 %2 行导入表 %3：替换表中的行，还是按编号合并？")
                        .arg(shownPath)
                        .arg(replace.records.size())
                        .arg(TableName(*table)),
                    QMessageBox::NoButton, parent);
    ask.setObjectName(QStringLiteral("ImportModeBox"));
    ask.setInformativeText(
        QStringLiteral("替换：表的行换成文件中的行（%1）。\n合并：更新编号相同的行，追加其余的行（%2）。")
            .arg(Summary(replace), Summary(merge)));
    QPushButton* replaceButton = ask.addButton(QStringLiteral("替换(&R)"), QMessageBox::AcceptRole);
    replaceButton->setObjectName(QStringLiteral("ReplaceButton"));
    QPushButton* mergeButton = ask.addButton(QStringLiteral("合并(&M)"), QMessageBox::AcceptRole);
    mergeButton->setObjectName(QStringLiteral("MergeButton"));
    QPushButton* cancelButton = ask.addButton(QStringLiteral("取消"), QMessageBox::RejectRole);
    ask.setDefaultButton(mergeButton);
    ask.setEscapeButton(cancelButton);
    ask.exec();
    const tarn::ImportPlan* chosen = ask.clickedButton() == replaceButton ? &replace
                                     : ask.clickedButton() == mergeButton ? &merge
                                                                          : nullptr;
    if (chosen == nullptr)
        return QString();
    if (ChangesNothing(*table, *chosen))
    {
        ShowBox(parent, QMessageBox::Information, QStringLiteral("ImportNothingBox"),
                QStringLiteral("%1 与表 %2 相同，没有改变。").arg(shownPath, TableName(*table)), QString());
        return QString();
    }
    if (!document->ImportRows(table, *chosen))
        return QString();
    return QStringLiteral("已导入 %1 到表 %2：%3").arg(shownPath, TableName(*table), Summary(*chosen));
}
