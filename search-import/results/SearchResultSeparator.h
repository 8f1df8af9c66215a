#pragma once

#include <QPainterPath>
#include <QString>
#include <QVariant>

// The disclosable header row of one result list ("Local Results", "Cloud Results"): its title,
// the number of results under it and the disclosure triangle its cell draws. Copyable.
class SearchResultSeparator
{
public:
    // Title "title", count 0, the triangle pointing right, then disclosed (so pointing down).
    SearchResultSeparator();
    explicit SearchResultSeparator(const QString& title);

    const QString& title() const { return m_title; }
    void setTitle(const QString& title) { m_title = title; }
    quint64 count() const { return m_count; }
    void setCount(quint64 count) { m_count = count; }
    QString countStringValue() const { return QString::number(m_count); }

    bool isDisclosed() const { return m_isDisclosed; }
    // Turns the triangle a quarter (down for YES, back for NO) on every call, then stores.
    void setIsDisclosed(bool disclosed);
    void toggleDisclosure() { setIsDisclosed(!m_isDisclosed); }
    QPainterPath disclosurePath() const { return m_disclosurePath; }
    void setDisclosurePath(const QPainterPath& path) { m_disclosurePath = path; }

    // A header has no recipe: code reading "recipe" of any row gets nothing.
    QVariant valueForKey(const QString& key) const;
    QString description() const { return m_title; }
    QString debugDescription() const;

private:
    QString m_title = QStringLiteral("title");
    quint64 m_count = 0;
    bool m_isDisclosed = false;
    QPainterPath m_disclosurePath;
};
