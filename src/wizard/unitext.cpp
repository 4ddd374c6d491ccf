#include "wizard/unitext.h"

#include "palm/autoinst.h"

namespace qs {

// A published component field: its name, its declared class and the slot the reader binds.
#define QS_FIELD(cls, name)            \
  FieldInfo{#name, &cls::StaticInfo(), \
            [](TComponent& r) -> TComponent*& { return static_cast<TFormTools&>(r).name.slot; }},
// A published handler, called with the sender of the event.
#define QS_HANDLER(name) \
  MethodInfo{#name, [](TComponent& r, TPersistent* sender) { static_cast<TFormTools&>(r).name(sender); }},

const ClassInfo& TFormTools::StaticInfo() {
  static const ClassInfo info{"TFormTools",
                              &TForm::StaticInfo(),
                              {},
                              [](TComponent* owner) -> TComponent* { return new TFormTools(owner); },
                              {QS_TFORMTOOLS_FIELDS(QS_FIELD)},
                              {QS_TFORMTOOLS_HANDLERS(QS_HANDLER)}};
  return info;
}

#undef QS_FIELD
#undef QS_HANDLER

TFormTools::TFormTools(TComponent* owner) : TForm(owner) {}

TFormTools::~TFormTools() {
  // OnDestroy runs while the handlers still can, and the components go while their fields exist.
  BeforeDestruction();
  DestroyComponents();
  // A form whose stream bound no OnDestroy still releases the user list.
  delete FUserData;
  FUserData = nullptr;
}

// The handlers live beside the wizard's logic: FormCreate and FormDestroy in startup.cpp, the
// buttons in navigation.cpp.

}  // namespace qs
