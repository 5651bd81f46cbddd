#pragma once
// An independent computation over the generated files, to prove that the
// fast road still gives the right answers: the record grid's copy and the
// summary are compared with a plain sort and sum of the same lines.
#include <QString>
#include <QStringList>

// Empty when the copied record grid matches the files; else the first difference.
QString CheckRecordCopy(const QStringList& files, const QString& copied);
// Empty when the copied summary's figures match the files; else the difference.
QString CheckSummaryCopy(const QStringList& files, const QString& copied);
