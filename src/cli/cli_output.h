#pragma once
#include <ostream>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "model/field_text.h"
#include "model/file_error.h"

// How faxrcp-cli writes what the machine holds: name=value text and JSON.
// Machine texts are 8-bit bytes (Latin-1 in the windows); a byte that is not
// printable ASCII never reaches the terminal as it is.
namespace cli {

// Printable ASCII as it is, a backslash doubled, any other byte as \xNN;
// and a text without its trailing blanks, as the pages show it.
using field_text::EscapeText;
using field_text::TrimPadding;

// Whether the trace last written to standard error (-v) left its line open:
// a message then starts on a line of its own.
bool& TraceLineOpen();

// A JSON value built in order and written at once.
class Json {
  public:
    static Json Number(long long value);
    static Json String(std::string_view bytes); // bytes read as Latin-1
    static Json Utf8(std::string_view text);    // the program's own messages
    static Json Array();
    static Json Object();

    Json& add(Json item);                         // to an array
    Json& set(std::string_view name, Json value); // to an object, in order

    // Objects at the top show one member a line; what they hold, one line.
    void write(std::ostream& out) const;

  private:
    enum class Kind { Number, String, Array, Object };
    explicit Json(Kind kind) : kind_(kind) {}
    void writeInline(std::ostream& out) const;

    Kind kind_;
    long long number_ = 0;
    std::string text_;
    bool utf8_ = false;
    std::vector<Json> items_;
    std::vector<std::pair<std::string, Json>> members_;
};

// A JSON string literal: quotes, backslashes and control characters escaped,
// bytes of 0x7F and above as the Latin-1 characters \u00NN (UTF-8 text: those
// of 0x80 and above as they are).
std::string JsonQuote(std::string_view bytes, bool utf8 = false);

// Prints head, then text's words after it, going on under the first word
// (at column indent) when a line would pass width columns.
void PrintWrapped(std::ostream& out, std::string head, const std::string& text, size_t indent,
                  size_t width);

// A file argument in messages: 'NAME', or standard input for "-".
std::string InputName(const std::string& file);

// At most limit bytes of the regular file, or of standard input for "-":
// kWrongContent when there are more; text is left as it was unless kNone.
struct Io;
FileError ReadInput(const std::string& file, Io& io, size_t limit, std::string& text);

// Why a file was not read or saved, after its name; wrongContent says what a
// file of another kind lacks ("not a phonebook file").
std::string FileReason(FileError error, const std::string& wrongContent);

} // namespace cli
