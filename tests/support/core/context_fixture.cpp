#include "support/core/context_fixture.h"

#include "model/lang_text.h"

void ContextTest::SetUp() {
    UseLanguageFile({});
    PlatformTest::SetUp();
}

void ContextTest::TearDown() {
    UseLanguageFile({});
    PlatformTest::TearDown();
}
