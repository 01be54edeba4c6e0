#include "phonebook/qt_phonebook_print.h"

#include <QDateTime>
#include <QLocale>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QTextDocument>
#include <cstring>

#include "model/lang_text.h"
#include "model/panel_context.h"
#include "model/phonebook_ops.h"
#include "protocol/phonebook.h"
#include "protocol/system_status.h"

namespace {

QString Lang(const char* section, const char* key) {
    return QString::fromUtf8(GetLangString(section, key));
}

// Machine texts are 8-bit bytes shown as Latin-1; escaped for rich text.
QString Cell(const std::string& bytes) {
    return QString::fromLatin1(bytes.data(), static_cast<qsizetype>(bytes.size()))
        .trimmed()
        .toHtmlEscaped();
}

QString RecordText(const char* text, size_t size) {
    return Cell(std::string(text, strnlen(text, size)));
}

// A group's members by name, their slot numbers where they have none.
QString Members(const MachineRecords& records, int slot) {
    QStringList names;
    for (const int m : GroupMemberSlots(records, slot)) {
        const QString name = Cell(SlotName(records.phonebookTable[m]));
        names << (name.isEmpty() ? QString::number(m) : name + " (" + QString::number(m) + ")");
    }
    return names.join(QStringLiteral(", "));
}

} // namespace

QString PhonebookPrintText(const MachineRecords& records, const QDateTime& when) {
    QString html = "<h2>" + Lang("PHONEBOOK", "PRINT_TITLE").toHtmlEscaped() + "</h2>";
    const QString id =
        RecordText(records.systemStatus.machineId, sizeof records.systemStatus.machineId);
    const QString number =
        RecordText(records.systemStatus.machineNumber, sizeof records.systemStatus.machineNumber);
    if (!id.isEmpty() || !number.isEmpty()) {
        html += "<p style=\"white-space:pre\">" +
                Lang("PHONEBOOK", "PRINT_MACHINE").toHtmlEscaped().arg(id, number) + "</p>";
    }
    html += "<p>" +
            Lang("PHONEBOOK", "PRINT_DATE")
                .toHtmlEscaped()
                .arg(QLocale().toString(when, QLocale::ShortFormat).toHtmlEscaped()) +
            "</p>";
    html += "<table width=\"100%\" border=\"1\" cellspacing=\"0\" cellpadding=\"3\"><thead><tr>";
    for (const char* key : {"IDS_NUM", "IDS_NAME", "IDS_TEL_NUMBER"}) {
        html += "<th align=\"left\">" + Lang("COMMON", key).toHtmlEscaped() + "</th>";
    }
    html += "</tr></thead>";
    const int n = records.phonebookTable != nullptr ? PhonebookSlots(records) : 0;
    for (int i = 0; i < n; ++i) {
        const PhonebookEntry& e = records.phonebookTable[i];
        if (SlotIsEmpty(e)) {
            continue;
        }
        const QString third = e.kind == 0 ? Cell(SlotNumber(e))
                                          : Lang("PHONEBOOK", "PRINT_MEMBERS").toHtmlEscaped() +
                                                ": " + Members(records, i);
        html += "<tr><td align=\"right\" width=\"8%\">" + QString::number(i) +
                "</td><td width=\"30%\">" + Cell(SlotName(e)) + "</td><td>" + third + "</td></tr>";
    }
    return html + "</table>";
}

void PrintPhonebook(const MachineRecords& records, QPrinter& printer, const QDateTime& when) {
    QTextDocument document;
    document.setHtml(PhonebookPrintText(records, when));
    document.print(&printer);
}

void PrintPhonebookCommand(const MachineRecords& records, QWidget* owner) {
    QPrinter printer(QPrinter::HighResolution);
    QPrintPreviewDialog preview(&printer, owner);
    preview.resize(900, 760);
    preview.setWindowTitle(Lang("MENU", "IDM_PRINT_PBOOK").remove(QLatin1Char('&')));
    const QDateTime now = QDateTime::currentDateTime();
    QObject::connect(&preview, &QPrintPreviewDialog::paintRequested, &preview,
                     [&records, now](QPrinter* p) { PrintPhonebook(records, *p, now); });
    preview.exec();
}
