#pragma once

#include <QtGlobal>

#include <functional>
#include <utility>
#include <vector>

// What a combo box with no current item gives back: the device holds a code
// the page has no item for. Never sent: an untouched field goes back as read.
constexpr qint64 kNoItem = -1;

// One value of a page's record as Apply sees it, read and set as a number.
template <class Values>
struct EditField {
    enum Kind {
        Whole,    // one control: written from it only when the operator changed it
        Flags,    // a mask with a control per flag: each flag on its own, and the
                  // flags the page has no control for, as the device holds them
        AsShown,  // always what the control shows (a region pulled into its frame)
    };
    std::function<qint64(const Values &)> get;
    std::function<void(Values &, qint64)> set;
    Kind kind = Whole;
};

// A field of a plain struct member.
template <class Values, class T>
EditField<Values> MemberField(T Values::*member,
                              typename EditField<Values>::Kind kind = EditField<Values>::Whole)
{
    return {[member](const Values &v) -> qint64 { return qint64(v.*member); },
            [member](Values &v, qint64 value) { v.*member = static_cast<T>(value); }, kind};
}

// "Apply never changes a field the operator did not touch." A page keeps what
// it last read from the device and what its controls gave back right after
// showing it. A control that cannot show the device's value (out of range, an
// unknown code, a flag without a box) gives back something else, but as long
// as the operator leaves it alone it gives back the same thing, so the field
// is written back exactly as it was read.
template <class Values>
class Baseline
{
public:
    explicit Baseline(std::vector<EditField<Values>> fields) : m_fields(std::move(fields)) {}

    // The controls were just filled from `read` (the device's values) and
    // give back `shown`.
    void Filled(const Values &read, const Values &shown)
    {
        m_read = read;
        m_shown = shown;
        m_filled = true;
    }

    bool IsFilled() const { return m_filled; }
    const Values &Read() const { return m_read; }

    // What Apply writes when the controls give `now`: each field (or flag)
    // the operator changed takes the control's value, every other one the
    // value read. Before the first read, `now` as it is.
    Values ToWrite(const Values &now) const
    {
        if (!m_filled) {
            return now;
        }
        Values out = m_read;
        for (const EditField<Values> &field : m_fields) {
            const qint64 read = field.get(m_read);
            const qint64 shown = field.get(m_shown);
            const qint64 current = field.get(now);
            switch (field.kind) {
                case EditField<Values>::Whole:
                    field.set(out, current != shown ? current : read);
                    break;
                case EditField<Values>::Flags: {
                    const qint64 edited = shown ^ current;
                    field.set(out, (read & ~edited) | (current & edited));
                    break;
                }
                case EditField<Values>::AsShown:
                    field.set(out, current);
                    break;
            }
        }
        return out;
    }

private:
    std::vector<EditField<Values>> m_fields;
    Values m_read{};
    Values m_shown{};
    bool m_filled = false;
};
