// The question asked before a deletion or an id change leaves links naming rows that are no
// more: it lists the referring rows (the first 20 and how many there are) and offers 继续 / 取消.
#pragma once

#include "tool/linkIndex.h"

#include <QString>

#include <vector>

class QWidget;

namespace linkbreak
{
// At most this many referring rows are listed; the rest are counted.
constexpr int kListed = 20;

// One referring cell: "<table label> <id> <name>（<field name>）".
QString DescribeReferrer(const tarn::LinkIndex::Referrer& referrer);
// The text of the question about `what` (e.g. "删除 2 行").
QString QuestionText(const QString& what, const std::vector<tarn::LinkIndex::Referrer>& referrers);
// Asks modally (object name "LinkBreakBox"); true for 继续.
bool Ask(QWidget* parent, const QString& what, const std::vector<tarn::LinkIndex::Referrer>& referrers);
} // namespace linkbreak
