#include "editor/resource.h"

QString LoadResourceString(int id)
{
    switch (id)
    {
    case IDP_OLE_INIT_FAILED:
        return QStringLiteral("OLE 初始化失败。请确保 OLE 库是正确的版本。");
    case IDS_TOOLBAR_STANDARD:
        return QStringLiteral("标准");
    case IDS_TOOLBAR_CUSTOMIZE:
        return QStringLiteral("自定义...");
    case IDS_CLASS_VIEW:
        return QStringLiteral("类视图");
    case IDS_PROPERTIES_WND:
        return QStringLiteral("属性");
    default:
        return QString();
    }
}
