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

// "Apply never changes a field the operator did not touch." A page keeps
// what its controls gave back right after it showed the device's values. A
// control that cannot show a value (out of range, an unknown code, a flag
// without a box) gives back something else, but as long as the operator
// leaves it alone it gives back the same thing. At Apply the page reads the
// device again, and each field (or flag) the operator changed goes over
// what the device holds then; every other one is written back as it is on
// the device, also when it changed there since the page was shown (the
// front panel, another tool, an import).
template <class Values>
class Baseline
{
public:
    explicit Baseline(std::vector<EditField<Values>> fields) : m_fields(std::move(fields)) {}

    // The controls were just filled from the device and give back `shown`.
    void Shown(const Values &shown)
    {
        m_shown = shown;
        m_filled = true;
    }
    // The page put new device values into some controls: those that give
    // back something else than `before` now count as shown that way; the
    // operator's edits in the others stay edits.
    void Reshown(const Values &before, const Values &after)
    {
        for (const EditField<Values> &field : m_fields) {
            if (field.get(before) != field.get(after)) {
                field.set(m_shown, field.get(after));
            }
        }
    }
    // False until the page has shown the device's values once: before that
    // nobody can tell an edit from a form's default.
    bool IsFilled() const { return m_filled; }

    // What Apply writes when the controls give `now` and the device holds
    // `device`: the operator's changes over the device's values.
    Values ToWrite(const Values &now, const Values &device) const
    {
        Values out = device;
        for (const EditField<Values> &field : m_fields) {
            const qint64 held = field.get(device);
            const qint64 shown = field.get(m_shown);
            const qint64 current = field.get(now);
            switch (field.kind) {
                case EditField<Values>::Whole:
                    field.set(out, current != shown ? current : held);
                    break;
                case EditField<Values>::Flags: {
                    const qint64 edited = shown ^ current;
                    field.set(out, (held & ~edited) | (current & edited));
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
    Values m_shown{};
    bool m_filled = false;
};
