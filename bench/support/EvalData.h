#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// The evaluation data the benchmarks measure against: $KITCHORA_EVALDATA, else shared/evaldata
// beside the checkout; empty when neither exists.
namespace EvalData
{

QString folder();

// One CSV record per call, starting at `pos` and leaving it after the record. Quoted fields may
// hold commas, doubled quotes and line breaks. False at the end of the text.
bool readRecord(const QString& text, qsizetype& pos, QStringList& fields);

// One row of the labelled ingredient lines (ingredient-lines/strangetom/*.csv): the line and the
// label columns the benchmarks read, as the file spells them ("5#1$4" for 5 1/4; several
// quantities or units blank-separated).
struct LabelledLine {
    QString file; // the CSV file's name
    QString input;
    QString name;
    QString quantity;
    QString unit;
};

// The rows of the labelled ingredient-line files named in `files`, in that order, or of every
// file there by name when `files` is empty. Files that cannot be read or lack one of the columns
// are left out, and so are rows that end before one of them. Empty when the data is missing.
QList<LabelledLine> labelledLines(const QStringList& files = {});

} // namespace EvalData
