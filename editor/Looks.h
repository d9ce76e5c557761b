// Application looks (commands 210 to 218): each is a Qt style ("Windows" or "Fusion") with a
// palette of its own, standing in for the visual managers the looks are named after.
#pragma once

#include <QPalette>
#include <QString>

struct ApplicationLook
{
    int id = 0;        // command id, 210 to 218
    QString menuText;  // text of its item in "应用程序外观(&A)"
    QString styleName; // QStyleFactory key
    QPalette palette;
};

// The look used when the settings hold none.
constexpr int kDefaultApplicationLook = 215;

bool IsApplicationLookId(int id);
// The look of command `id`; an id outside 210 to 218 gives the default look.
ApplicationLook BuildApplicationLook(int id);
// Installs the look's style and palette for the whole application.
void ApplyApplicationLook(const ApplicationLook& look);
