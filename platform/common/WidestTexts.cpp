#include "common/WidestTexts.h"

#include <algorithm>

void WidestTexts::Offer(double width, QStringView text) {
  if (Wants(width)) Keep(width, text.toString());
}

void WidestTexts::Keep(double width, QString text) {
  if (width > widest_) {
    // A new widest is always kept, in place of the narrowest when full.
    widest_ = width;
    std::erase_if(found_, [&](const auto& f) { return !Wanted(f.first); });
    if (found_.size() >= kMaxTexts)
      found_.erase(std::min_element(found_.begin(), found_.end(),
                                    [](const auto& a, const auto& b) { return a.first < b.first; }));
  } else if (found_.size() >= kMaxTexts) {
    return;
  }
  found_.emplace_back(width, std::move(text));
}

std::vector<QString> WidestTexts::Texts() const {
  std::vector<QString> texts;
  for (const auto& f : found_) texts.push_back(f.second);
  return texts;
}
