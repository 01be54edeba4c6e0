#include <algorithm>
#include <initializer_list>
#include <map>

#include "model/phonebook_csv.h"
#include "model/phonebook_text.h"

// The columns mail programs and spreadsheets write, by their names in
// English, German and French, compared without regard to case or accents.

namespace {

enum class Role {
    kNone,
    kDisplayName,
    kFirstName,
    kLastName,
    kCompany,
    kNumber,
    kPairType,
    kPairValue
};

struct Column {
    Role role = Role::kNone;
    CardNumber kind;  // for kNumber: what the column's name says
    std::string pair; // for kPairType, kPairValue: the pair's number ("1" of "Phone 1 - Value")
};

// Lower case, accents gone, words separated by single blanks.
std::vector<std::string> Words(std::string_view text) {
    std::vector<std::string> words(1);
    for (const char c : FoldedText(text)) {
        if ((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9')) {
            words.back() += c;
        } else if (!words.back().empty()) {
            words.emplace_back();
        }
    }
    if (words.back().empty()) {
        words.pop_back();
    }
    return words;
}

std::string Joined(const std::vector<std::string>& words) {
    std::string out;
    for (const std::string& w : words) {
        out += (out.empty() ? "" : " ") + w;
    }
    return out;
}

bool AnyContains(const std::vector<std::string>& words, std::initializer_list<const char*> parts) {
    return std::any_of(words.begin(), words.end(), [&](const std::string& w) {
        return std::any_of(parts.begin(), parts.end(),
                           [&](const char* p) { return w.find(p) != std::string::npos; });
    });
}

bool AnyIs(const std::vector<std::string>& words, std::initializer_list<const char*> names) {
    return std::any_of(words.begin(), words.end(), [&](const std::string& w) {
        return std::any_of(names.begin(), names.end(), [&](const char* n) { return w == n; });
    });
}

bool OneOf(const std::string& key, std::initializer_list<const char*> names) {
    return std::any_of(names.begin(), names.end(), [&](const char* n) { return key == n; });
}

// What a column name or a type field says of its number.
CardNumber KindOf(const std::vector<std::string>& words) {
    CardNumber kind;
    kind.fax = AnyContains(words, {"fax", "telecopi"});
    kind.work = AnyContains(words, {"business", "work", "company", "office", "geschaft", "dienst",
                                    "firma", "buro", "bureau", "profession", "travail", "arbeit"});
    kind.preferred = AnyContains(words, {"primary", "main", "haupt", "principal"});
    return kind;
}

Column ColumnOf(const std::string& header) {
    const std::vector<std::string> words = Words(header);
    const std::string key = Joined(words);
    Column column;
    if (AnyIs(words, {"pager", "beeper", "bip", "radiomessagerie"})) {
        return column;
    }
    const bool phone =
        AnyContains(words, {"phone", "telefon", "telephon", "mobil", "fax", "telecopi"}) ||
        AnyIs(words, {"tel", "handy", "portable", "cell", "cellular", "natel"}) ||
        OneOf(key, {"number", "nummer", "numero", "rufnummer"});
    const auto digits = std::find_if(words.begin(), words.end(), [](const std::string& w) {
        return std::all_of(w.begin(), w.end(), [](char c) { return c >= '0' && c <= '9'; });
    });
    if (phone && digits != words.end() && AnyIs(words, {"type", "typ", "label", "libelle"})) {
        return {Role::kPairType, {}, *digits};
    }
    if (phone && digits != words.end() && AnyIs(words, {"value", "wert", "valeur"})) {
        return {Role::kPairValue, {}, *digits};
    }
    if (phone) {
        return {Role::kNumber, KindOf(words), ""};
    }
    if (OneOf(key, {"display name", "full name", "name", "anzeigename", "vollstandiger name",
                    "nom a afficher", "nom complet", "nom affiche"})) {
        column.role = Role::kDisplayName;
    } else if (OneOf(key, {"first name", "given name", "vorname", "prenom"})) {
        column.role = Role::kFirstName;
    } else if (OneOf(key, {"last name", "family name", "surname", "nachname", "familienname",
                           "nom de famille", "nom"})) {
        column.role = Role::kLastName;
    } else if (OneOf(key, {"company", "company name", "organization", "organisation",
                           "organization 1 name", "firma", "firmenname", "unternehmen", "societe",
                           "entreprise"})) {
        column.role = Role::kCompany;
    }
    return column;
}

} // namespace

bool ReadAddressBookRows(const CsvRecord& header, const std::vector<CsvRecord>& rows,
                         std::vector<AddressCard>& cards) {
    std::vector<Column> columns;
    std::map<std::string, size_t> typeColumns; // a pair's type column by the pair's number
    for (const std::string& name : header.fields) {
        columns.push_back(name.empty() ? Column{} : ColumnOf(name));
        if (columns.back().role == Role::kPairType) {
            typeColumns.emplace(columns.back().pair, columns.size() - 1);
        }
    }
    if (std::none_of(columns.begin(), columns.end(), [](const Column& c) {
            return c.role == Role::kNumber || c.role == Role::kPairValue;
        })) {
        return false;
    }
    for (const CsvRecord& row : rows) {
        AddressCard card;
        card.line = row.line;
        std::string display, first, last, company;
        const auto field = [&](size_t f) {
            return f < row.fields.size() ? TrimBlanks(row.fields[f]) : std::string();
        };
        for (size_t f = 0; f < columns.size(); ++f) {
            const Column& c = columns[f];
            std::string* name = c.role == Role::kDisplayName ? &display
                                : c.role == Role::kFirstName ? &first
                                : c.role == Role::kLastName  ? &last
                                : c.role == Role::kCompany   ? &company
                                                             : nullptr;
            if (name != nullptr && name->empty()) {
                *name = field(f);
            }
            if (c.role != Role::kNumber && c.role != Role::kPairValue) {
                continue;
            }
            CardNumber kind = c.kind;
            if (const auto type = typeColumns.find(c.pair);
                c.role == Role::kPairValue && type != typeColumns.end()) {
                const std::string typeText = field(type->second);
                kind = KindOf(Words(typeText));
                kind.preferred = kind.preferred || typeText.starts_with("*");
            }
            // Several numbers of one kind may share a field: "a ::: b".
            const std::string value = field(f);
            for (size_t at = 0; at < value.size();) {
                const size_t end = std::min(value.find(":::", at), value.size());
                kind.text = TrimBlanks(value.substr(at, end - at));
                if (!kind.text.empty()) {
                    card.numbers.push_back(kind);
                }
                at = end + 3;
            }
        }
        card.name = !display.empty() ? display : TrimBlanks(first + " " + last);
        card.name = !card.name.empty() ? card.name : company;
        cards.push_back(std::move(card));
    }
    return true;
}
