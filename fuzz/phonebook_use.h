#pragma once
// What the program does with a phonebook table it has just read (from the
// machine or from a file): list every slot as the page does, apply the click
// rules, work out the group members as the group dial editor does, recount
// the group references and build the set request back to the machine. Any
// bad table content then shows up as an out-of-bounds access.

struct PanelContext;

namespace fuzz {

void UsePhonebook(PanelContext& context);

} // namespace fuzz
