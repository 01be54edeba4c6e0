#pragma once
// Dialog templates as plain tables: one row per control with its id, kind,
// position and size in dialog units, template text and style flags. The
// window layer turns a template into widgets (widgets/qt_dialog_builder.h);
// nothing here knows Qt, so the tables live in the core library.
//
// Each window keeps its table in its own file here, e.g.
//   resources/settings_template.h:   extern const dlg::DialogTemplate settingsTemplate;
//   resources/settings_template.cpp: const dlg::DialogTemplate settingsTemplate = {
//       347, 217, "Settings", {
//           {1140, dlg::Kind::StaticText, 0, 11, 104, 8, "Tray paper size:", dlg::kAlignRight},
//           {1156, dlg::Kind::DropDownList, 109, 11, 54, 51, "", 0, {"Letter", "Legal", "A4"}},
//       }};
// Rows are created in table order, which is also the tab order and the
// stacking order (a group box listed first stays behind the controls in it).

#include <cstdint>
#include <string>
#include <vector>

namespace dlg {

// The id of controls that code never looks up (several rows may share it).
constexpr int kIdStatic = 65535;

enum class Kind {
    StaticText,    // label (QLabel); word-wraps unless kNoWrap; top-aligned
    PushButton,    // QPushButton
    DefPushButton, // QPushButton, the dialog's default button
    CheckBox,      // QCheckBox
    RadioButton,   // QRadioButton; see kGroup for the groups
    GroupBox,      // QGroupBox, a sibling drawn behind the controls it frames
    Edit,          // QLineEdit
    DropDownList,  // QComboBox, not editable; cy is the height with the list open
    ListView,      // QTreeWidget set up as a report view (columns, no tree)
    ScrollArrows,  // CStepArrows (widgets/CStepArrows.h), a vertical scroll bar
                   // that is only two arrows: actionTriggered
                   // SliderSingleStepSub = up, ...Add = down
    DatePicker,    // QDateEdit with a calendar pop-up, short date
    TimePicker,    // QTimeEdit ("hh:mm AP"), spin arrows
    ProgressBar,   // QProgressBar, range 0..100, no text
    IconButton,    // CIconButton (widgets/CIconButton.h)
    FilterEdit,    // CFilterEdit (widgets/CFilterEdit.h)
    Picture,       // QLabel showing an image, no text
};

// Style flags of a row (combine with |).
constexpr uint32_t kHidden = 1u << 0;         // created invisible
constexpr uint32_t kDisabled = 1u << 1;       // created disabled
constexpr uint32_t kAlignRight = 1u << 2;     // text right-aligned (labels, values)
constexpr uint32_t kAlignCenter = 1u << 3;    // text centred horizontally
constexpr uint32_t kSunken = 1u << 4;         // sunken frame (value fields)
constexpr uint32_t kGroup = 1u << 5;          // first radio button of a new group
constexpr uint32_t kBorder = 1u << 6;         // framed list view or edit
constexpr uint32_t kNumber = 1u << 7;         // edit accepts digits only
constexpr uint32_t kUppercase = 1u << 8;      // edit turns typed letters into capitals
constexpr uint32_t kAutoHScroll = 1u << 9;    // edit scrolls sideways (always so in Qt)
constexpr uint32_t kReadOnly = 1u << 10;      // edit cannot be changed by the user
constexpr uint32_t kSingleSel = 1u << 11;     // list view: one item at a time
                                              // (without it several may be selected)
constexpr uint32_t kShowSelAlways = 1u << 12; // list view keeps its selection visible
constexpr uint32_t kNoSortHeader = 1u << 13;  // list view header does not react to clicks
constexpr uint32_t kNoWrap = 1u << 14;        // label stays on one line
constexpr uint32_t kMultiline = 1u << 15;     // edit with several lines (QLineEdit still)
constexpr uint32_t kDefault = 1u << 16;       // IconButton/PushButton that is the default button

// Radio groups: a radio button with kGroup, or one that follows a control that
// is not a radio button, starts a new exclusive group; the radio buttons after
// it join that group. Each group is a QButtonGroup whose ids are the controls'
// ids.

struct ControlTemplate {
    int id = kIdStatic;
    Kind kind = Kind::StaticText;
    int x = 0; // dialog units
    int y = 0;
    int cx = 0;
    int cy = 0;
    std::string text;                 // template text ("&" marks a mnemonic)
    uint32_t style = 0;               // k... flags above
    std::vector<std::string> items{}; // initial items of a drop-down list
};

struct DialogTemplate {
    int cx = 0; // dialog units
    int cy = 0;
    std::string caption;
    std::vector<ControlTemplate> controls;
};

// The first row with that id, or nullptr.
inline const ControlTemplate* FindTemplateRow(const DialogTemplate& t, int id) {
    for (const auto& c : t.controls) {
        if (c.id == id) {
            return &c;
        }
    }
    return nullptr;
}

} // namespace dlg
