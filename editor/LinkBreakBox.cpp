#include "editor/LinkBreakBox.h"

#include "tool/row.h"
#include "tool/table.h"

#include <QMessageBox>
#include <QPushButton>

namespace linkbreak
{

QString DescribeReferrer(const tarn::LinkIndex::Referrer& referrer)
{
    const tarn::Row* row = referrer.row;
    const tarn::editor::Table* table = row->m_table;
    QString field;
    if (table != nullptr && referrer.field >= 0 && referrer.field < table->m_fields.size())
        field = QString::fromUtf16(table->m_fields[referrer.field].m_name.c_str());
    return QStringLiteral("%1 %2 %3（%4）")
        .arg(table != nullptr ? QString::fromUtf16(table->m_label.c_str()) : QString())
        .arg(row->Id())
        .arg(QString::fromUtf16(row->Name()), field);
}

QString QuestionText(const QString& what, const std::vector<tarn::LinkIndex::Referrer>& referrers)
{
    QString text = QStringLiteral("%1：有 %2 处引用将指向不存在的行：\n").arg(what).arg(referrers.size());
    const int listed = std::min<int>(kListed, static_cast<int>(referrers.size()));
    for (int i = 0; i < listed; ++i)
        text += QStringLiteral("\n") + DescribeReferrer(referrers[static_cast<std::size_t>(i)]);
    if (static_cast<int>(referrers.size()) > listed)
        text += QStringLiteral("\n……另有 %1 处").arg(static_cast<int>(referrers.size()) - listed);
    return text + QStringLiteral("\n\n是否继续？");
}

bool Ask(QWidget* parent, const QString& what, const std::vector<tarn::LinkIndex::Referrer>& referrers)
{
    QMessageBox box(QMessageBox::Warning, QStringLiteral("Tessel"), QuestionText(what, referrers),
                    QMessageBox::NoButton, parent);
    box.setObjectName(QStringLiteral("LinkBreakBox"));
    QPushButton* go = box.addButton(QStringLiteral("继续"), QMessageBox::AcceptRole);
    go->setObjectName(QStringLiteral("ContinueButton"));
    QPushButton* cancel = box.addButton(QStringLiteral("取消"), QMessageBox::RejectRole);
    cancel->setObjectName(QStringLiteral("CancelButton"));
    box.setDefaultButton(cancel);
    box.setEscapeButton(cancel);
    box.exec();
    return box.clickedButton() == go;
}

} // namespace linkbreak
