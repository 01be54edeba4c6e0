#include "shell/page_registry.h"

#include "firmware/CFwUp.h"
#include "pages/CAdvanced.h"
#include "pages/CInfo.h"
#include "pages/CSettings.h"
#include "phonebook/CPhonebook.h"

namespace {

template <class Page> std::unique_ptr<CPropertyPage> Make() {
    return std::make_unique<Page>();
}

template <class Page> constexpr RegisteredPage Register(int closeOrder) {
    return {&Page::ExistsFor, &Make<Page>, closeOrder};
}

// As a page goes the sheet falls back to a neighbour and shows it, and a page
// shown for the first time reads the machine: the close order keeps closing
// the window talking to the machine as it always has.
// clang-format off
constexpr RegisteredPage kPages[] = {
    Register<CSettings>(1),
    Register<CAdvanced>(4),
    Register<CPhonebook>(0),
    Register<CInfo>(3),
    Register<CFwUp>(2),
};
// clang-format on

} // namespace

std::span<const RegisteredPage> PageRegistry() {
    return kPages;
}
