#include "editor/RefusalBox.h"

#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <QWidget>

void ShowRefusalLater(QWidget* owner, const QString& message, std::function<void()> after)
{
    // The timer is dropped with its context object, so the box never opens for a gone owner.
    QTimer::singleShot(0, owner,
                       [owner, message, after = std::move(after)]()
                       {
                           QPointer<QWidget> guard(owner);
                           QMessageBox box(QMessageBox::Warning, QStringLiteral("Tessel"), message,
                                           QMessageBox::Ok, owner->window());
                           box.setObjectName(QStringLiteral("EditRefusedBox"));
                           box.button(QMessageBox::Ok)->setText(QStringLiteral("确定"));
                           box.exec();
                           if (guard && after)
                               after();
                       });
}
