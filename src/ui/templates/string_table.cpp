#include "templates/string_table.h"

const char* LoadStringResource(int id) {
    switch (id) {
    case IDS_APP_TITLE:
        return "Telvane";
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
