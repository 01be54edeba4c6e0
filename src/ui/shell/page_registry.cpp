#include "shell/page_registry.h"

#include "firmware/CFwUp.h"
#include "pages/CAdvanced.h"
#include "pages/CInfo.h"
#include "pages/CSettings.h"
#include "phonebook/CPhonebook.h"

namespace {

template <class Page> std::unique_ptr<CPropertyPage> Make(PanelContext& context) {
    return std::make_unique<Page>(context);
}

template <class Page> constexpr RegisteredPage Register() {
    return {&Page::ExistsFor, &Make<Page>, Page::kTab};
}

constexpr RegisteredPage kPages[] = {
    Register<CSettings>(), Register<CAdvanced>(), Register<CPhonebook>(),
    Register<CInfo>(),     Register<CFwUp>(),
};

} // namespace

std::span<const RegisteredPage> PageRegistry() {
    return kPages;
}

std::vector<RegisteredPage> PagesFor(int machineClass) {
    std::vector<RegisteredPage> pages;
    for (const RegisteredPage& page : PageRegistry()) {
        if (page.existsFor(machineClass)) {
            pages.push_back(page);
        }
    }
    return pages;
}
