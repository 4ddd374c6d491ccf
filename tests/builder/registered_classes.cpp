#include "registered_classes.h"

#include "wizard/classes.h"

namespace {
testing::Environment* const kRegistered =
    testing::AddGlobalTestEnvironment(new qs::test::RegisteredClasses<&qs::RegisterInstallerClasses>);
}  // namespace
