#include "ImportProblems.h"

void ImportProblems::Add(ImportProblem problem) {
  ++count_;
  if (qsizetype(listed_.size()) >= kMostListed) return;
  // Most boxes of a batch say the same few things: keep one copy of each.
  const qsizetype seen = texts_.indexOf(problem.text);
  if (seen >= 0)
    problem.text = texts_[seen];
  else if (texts_.size() < 64)
    texts_.append(problem.text);
  listed_.push_back(std::move(problem));
}

QStringList ImportProblems::Header() {
  return {QStringLiteral("File"), QStringLiteral("Line"), QStringLiteral("Record"), QStringLiteral("Column"),
          QStringLiteral("Problem")};
}

QStringList ImportProblems::Cells(const ImportProblem& p) {
  const auto number = [](qint64 n) { return n > 0 ? QString::number(n) : QString(); };
  return {p.file, number(p.line), number(p.record), p.column, p.text};
}

QString ImportProblems::Text() const {
  QString text = Header().join(u'\t');
  for (const ImportProblem& p : listed_) text += u'\n' + Cells(p).join(u'\t');
  return text;
}
