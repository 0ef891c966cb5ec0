#pragma once

#include <QString>

#include <vector>

// The order of `texts` without regard to case: position k of the result is
// the index of the k-th text. Texts equal but for case follow each other in
// their given order, or (`caseBreaksTies`) in case-sensitive order. Long
// lists are sorted in two halves side by side.
std::vector<int> caseInsensitiveOrder(const std::vector<QString>& texts,
                                      bool caseBreaksTies = false);
