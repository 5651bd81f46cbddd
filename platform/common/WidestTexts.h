#pragma once
// Picking the widest texts of a column by a measure close to, not exactly,
// what drawing them takes: the few it picks are then measured as the view
// draws them. Qt Core only, so that the records themselves can offer their
// distinct texts without knowing any font.
#include <QString>

#include <utility>
#include <vector>

// Widths of texts in one font (the grid control's TextWidths).
class TextMeasure {
 public:
  virtual ~TextMeasure() = default;
  virtual double Width(QStringView text) const = 0;
  virtual double Width(const char* ascii, int length) const = 0;
};

// The widest texts of a column: those within a pixel of the widest (texts
// of the same digits and signs measure alike), a few at most.
class WidestTexts {
 public:
  void Offer(double width, QStringView text);
  // Whether a text of this width would be kept (its text need not be made otherwise).
  bool Wants(double width) const { return width > widest_ || (Wanted(width) && found_.size() < kMaxTexts); }
  std::vector<QString> Texts() const;

 private:
  static constexpr double kSlack = 1.0;
  static constexpr size_t kMaxTexts = 16;
  bool Wanted(double width) const { return width > widest_ - kSlack; }
  void Keep(double width, QString text);
  double widest_ = 0;
  std::vector<std::pair<double, QString>> found_;
};
