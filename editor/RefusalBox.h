// The message box that says why an edit was refused, shared by the grid and the properties pane.
#pragma once

#include <QString>

#include <functional>

class QWidget;

// Shows `message` in a modal warning box ("EditRefusedBox", button "确定") over `owner`'s window
// once the current event has been handled: a refusal comes from a commit that a key, a click or a
// focus change started, which a modal box must not interrupt. Then calls `after`, unless `owner`
// is gone by then; nothing is shown when `owner` goes before the box.
void ShowRefusalLater(QWidget* owner, const QString& message, std::function<void()> after = {});
