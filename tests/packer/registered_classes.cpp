#include "registered_classes.h"

#include "packer/gpackfiles.h"

namespace {
testing::Environment* const kRegistered =
    testing::AddGlobalTestEnvironment(new qs::test::RegisteredClasses<&qs::RegisterPackerClasses>);
}  // namespace
