#include "registered_classes.h"

#include "ui/notebook.h"

namespace {
testing::Environment* const kRegistered =
    testing::AddGlobalTestEnvironment(new qs::test::RegisteredClasses<&qs::RegisterUiClasses>);
}  // namespace
