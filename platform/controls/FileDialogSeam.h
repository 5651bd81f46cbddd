#pragma once
// Asking the user where to save a file. Tests install an answer instead of
// the modal dialog.
#include <QString>

#include <functional>

class QWidget;

// The path chosen, or "" when the user cancels. selectedFilter receives the
// filter entry the user picked.
QString AskSaveFileName(QWidget* parent, const QString& caption, const QString& suggested, const QString& filters,
                        QString* selectedFilter = nullptr);

// Answers every question with the handler's path (caption, suggested path,
// filters); an empty function restores the dialog.
using SaveFileNameHandler = std::function<QString(const QString&, const QString&, const QString&)>;
void SetSaveFileNameHandler(SaveFileNameHandler handler);
