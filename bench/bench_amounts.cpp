// Reads the labelled ingredient lines of the evaluation data and checks the amount reader
// against their quantity labels, then times it.
//
// Labels spell a fraction A#B$C (A + B/C, A may be missing); several quantities are separated
// by blanks. Two figures are printed:
//   quantity text: the label's own quantity, written as a person would ("5 1/4"), read back;
//   whole line:    the raw line, whose first labelled quantity the reader should find.
// The data folder is $KITCHORA_EVALDATA, else shared/evaldata beside the checkout.
#include "AmountFinding.h"
#include "EvalData.h"

#include <QLocale>
#include <QRegularExpression>
#include <QStringList>
#include <benchmark/benchmark.h>
#include <cmath>
#include <cstdio>

namespace
{

using Row = EvalData::LabelledLine;

const QList<Row>& rows()
{
    static const QList<Row> all = EvalData::labelledLines();
    return all;
}

// The value of one label token and how a person writes it; false for ranges, "2x", "few"...
bool decodeToken(const QString& token, double& value, QString& text)
{
    static const QRegularExpression fraction(QStringLiteral("^([0-9]*)#([0-9]+)\\$([0-9]+)$"));
    static const QRegularExpression plain(QStringLiteral("^[0-9]+(\\.[0-9]+)?$"));
    if (plain.match(token).hasMatch()) {
        value = token.toDouble();
        text = token;
        return true;
    }
    const QRegularExpressionMatch m = fraction.match(token);
    if (!m.hasMatch())
        return false;
    const double whole = m.captured(1).isEmpty() ? 0.0 : m.captured(1).toDouble();
    const double denominator = m.captured(3).toDouble();
    if (denominator == 0)
        return false;
    value = whole + m.captured(2).toDouble() / denominator;
    text = m.captured(1).isEmpty() ? m.captured(2) + u'/' + m.captured(3)
                                   : m.captured(1) + u' ' + m.captured(2) + u'/' + m.captured(3);
    return true;
}

// Labels give repeating fractions rounded ("0.333" for 1/3): compare at the label's precision.
bool agrees(const Decimal& found, const QString& label, double expected)
{
    if (!found.isValid())
        return false;
    const qsizetype point = label.indexOf(u'.');
    if (point >= 0 && !label.contains(u'#')) {
        const int decimals = int(label.size() - point - 1);
        return found.decimalNumberByRoundingToScale(decimals) == Decimal::decimalNumberWithString(label);
    }
    return std::fabs(found.doubleValue() - expected) <= 1e-9 * std::max(1.0, expected);
}

void reportAgreement()
{
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    int tokens = 0, tokensAgree = 0, lines = 0, linesAgree = 0, lineNoAmount = 0, notNumeric = 0;
    QStringList tokenMisses, lineMisses;
    for (const Row& row : rows()) {
        const QString first = row.quantity.section(u' ', 0, 0, QString::SectionSkipEmpty);
        double expected = 0;
        QString text;
        if (first.isEmpty())
            continue;
        if (!decodeToken(first, expected, text)) {
            ++notNumeric;
            continue;
        }
        // The label as its own amount text: only when it is a single quantity.
        if (!row.quantity.trimmed().contains(u' ')) {
            ++tokens;
            if (agrees(AmountFinding::amountDecimalNumberValue(text), first, expected))
                ++tokensAgree;
            else if (tokenMisses.size() < 5)
                tokenMisses << text;
        }
        ++lines;
        const Decimal found = AmountFinding::amountDecimalNumberValue(row.input);
        if (agrees(found, first, expected)) {
            ++linesAgree;
        } else {
            if (found == Decimal::one())
                ++lineNoAmount;
            if (lineMisses.size() < 15)
                lineMisses << row.input.left(50) + QStringLiteral(" -> ") + found.stringValue()
                        + QStringLiteral(" (label ") + row.quantity + u')';
        }
    }
    std::printf("rows %lld; first quantity not a number (range, \"2x\", \"few\"...): %d\n",
        (long long)rows().size(), notNumeric);
    std::printf("quantity text: %d of %d agree (%.2f%%)\n", tokensAgree, tokens,
        tokens ? 100.0 * tokensAgree / tokens : 0.0);
    for (const QString& miss : tokenMisses)
        std::printf("  miss: %s\n", qPrintable(miss));
    std::printf("whole line:    %d of %d agree (%.2f%%)\n", linesAgree, lines,
        lines ? 100.0 * linesAgree / lines : 0.0);
    for (const QString& miss : lineMisses)
        std::printf("  miss: %s\n", qPrintable(miss));
    std::fflush(stdout);
}

void BM_AmountOfLine(benchmark::State& state)
{
    const QList<Row>& all = rows();
    if (all.empty()) {
        state.SkipWithError("evaluation data not found (set KITCHORA_EVALDATA)");
        return;
    }
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    qsizetype i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(AmountFinding::amountDecimalNumberValue(all[i].input));
        if (++i == all.size())
            i = 0;
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_AmountOfLine);

} // namespace

int main(int argc, char** argv)
{
    if (!rows().empty())
        reportAgreement();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
