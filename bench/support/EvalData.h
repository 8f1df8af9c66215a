#pragma once

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

} // namespace EvalData
