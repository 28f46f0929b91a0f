#pragma once

#include <QString>

// What an operation that can fail did, as one value from the file writer up to the windows:
// its kind and, unless it simply succeeded, a sentence the user can read that says why
// ("disk full while writing ..."). Every layer hands the sentence up unchanged or puts its
// own words in front of it, so the window that shows a failure shows the reason where it
// arose. Operations never throw to report a failure; they return one of these.
class Outcome
{
public:
    enum class Kind
    {
        Done,    // the operation did what was asked
        Skipped, // nothing needed doing (e.g. an output that exists is left as it is)
        Failed,  // nothing (or not everything) was done; the sentence says why
    };

    Outcome() = default;

    static Outcome success() { return {}; }
    static Outcome skip(const QString& sentence = QString()) { return {Kind::Skipped, sentence}; }
    static Outcome failure(const QString& sentence) { return {Kind::Failed, sentence}; }

    Kind kind() const { return m_kind; }
    // True unless the operation failed (a skip is not a failure).
    bool ok() const { return m_kind != Kind::Failed; }
    bool skipped() const { return m_kind == Kind::Skipped; }
    // Why it failed (or why it was skipped); empty for a plain success.
    const QString& sentence() const { return m_sentence; }

    explicit operator bool() const { return ok(); }

    friend bool operator==(const Outcome&, const Outcome&) = default;

private:
    Outcome(Kind kind, const QString& sentence) : m_kind(kind), m_sentence(sentence) {}

    Kind m_kind = Kind::Done;
    QString m_sentence;
};
