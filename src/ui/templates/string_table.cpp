#include "templates/string_table.h"

#include <cstring>

const char* LoadStringResource(int id) {
    switch (id) {
    case IDS_APP_TITLE:
        return "Telvane Remote Control Panel";
    case IDS_NOT_RESPONDING:
        return "Not responding";
    case IDS_PORT_BUSY:
        return "Port is busy";
    case IDS_LANGUAGE_UNREADABLE:
        return "The language file %1 cannot be read; the program's own English texts are "
               "shown.";
    default:
        return "";
    }
}

const char* BuiltInStartupText(const char* key) {
    static const struct {
        const char* key;
        const char* text;
    } texts[] = {
        {"STARTUP_NOT_RESPONDING", "Not responding"},
        {"STARTUP_NOT_RESPONDING_HINT",
         "Check that the machine is switched on and its cable is plugged in."},
        {"STARTUP_NOT_RESPONDING_PERMISSION",
         "If it is, your user may not be allowed to open its device: install the udev rule "
         "70-faxrcp.rules or join the group lp."},
        {"STARTUP_NOT_RESPONDING_CLI",
         "In a terminal, faxrcp-cli devices lists the printers found."},
        {"PORT_BUSY", "Port is busy"},
        {"PORT_BUSY_PANEL", "Another window of this panel is using the machine."},
        {"PORT_BUSY_CLI", "A faxrcp-cli command of yours is using the machine."},
        {"LOOKING_USB", "Looking for the machine on USB\u2026"},
        {"LOOKING_PARALLEL", "Looking for the machine on the parallel port\u2026"},
        {"LOOKING_CANCEL", "Cancel"},
        {"LOOKING_REMOTE", "Machine on another computer\u2026"},
        {"REMOTE_NAMED", "FAXRCP_USB_PORT names the machine to use."},
    };
    for (const auto& t : texts) {
        if (std::strcmp(t.key, key) == 0) {
            return t.text;
        }
    }
    return "";
}
