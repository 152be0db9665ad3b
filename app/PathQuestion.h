#pragma once

#include <QString>

#include <functional>

class QWidget;

// A request for a file path: what the open and save commands ask the user before they act.
struct PathQuestion
{
    enum class Kind
    {
        Open, // an existing file
        Save, // a new name
    };
    Kind kind = Kind::Open;
    QString caption;
    QString filter; // name filters in the file dialog's form, ";;" between them; may be empty
};

// Asks for a path; the empty string means the user cancelled.
using PathAsker = std::function<QString(const PathQuestion &)>;

// The file dialog answer to a question, starting in the working directory.
QString askPathWithFileDialog(QWidget *parent, const PathQuestion &question);
