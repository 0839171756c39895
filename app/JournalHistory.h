#pragma once

#include "JournalTypes.h"

#include <QDialog>

#include <functional>

class Journal;
class QDateTimeEdit;
class QLabel;
class QLineEdit;
class QTableWidget;

// Device > History...: the change journal, newest first, narrowed to a
// device (serial number or address), a time range and a field (the start of
// its path), and exported as CSV as shown.
class JournalHistory final : public QDialog
{
    Q_OBJECT

public:
    // Answers the save dialog of "Export CSV"; unset, the dialog opens.
    using FileChooser = std::function<QString()>;
    // `journal` null: the journal cannot be read, and `problem` says why.
    JournalHistory(Journal *journal, const QString &problem, FileChooser choose,
                   QWidget *parent = nullptr);

    const QVector<JournalEntry> &Shown() const { return m_entries; }
    // The filter of the fields as they are now.
    JournalFilter Filter() const;

    // Enough rows for any station's review; an export says so when cut.
    static constexpr int kMaxRows = 10000;

public slots:
    void Reload();
    void OnExport();

private:
    QString ResultText(const FieldChange &change) const;
    QString ConfirmationText(const JournalConfirmation &confirmation) const;

    Journal *m_journal;
    FileChooser m_choose;
    QLineEdit *m_device;
    QDateTimeEdit *m_since;
    QDateTimeEdit *m_until;
    QLineEdit *m_field;
    QTableWidget *m_table;
    QLabel *m_status;
    QVector<JournalEntry> m_entries;
};
