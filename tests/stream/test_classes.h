// Small readable classes for the stream tests and the stream fuzz target: a form with published
// fields and handlers, controls with one property of every kind, a page container that owns its
// pages, a non-visual component, a collection, sub-objects with defined properties.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "stream/component.h"

namespace qs::test {

extern const TypeInfo kAlignType;      // alNone, alTop, alBottom, alClient
extern const TypeInfo kColorType;      // clBtnFace, clRed, clSilver
extern const TypeInfo kFontStyleType;  // fsBold, fsItalic, fsUnderline, fsStrikeOut

// Every Loaded() call, by name (class name when the name is empty), in call order.
std::vector<std::string>& LoadedLog();

class TTestFont : public TPersistent {
 public:
  static const ClassInfo& StaticInfo();
  const ClassInfo& Info() const override { return StaticInfo(); }
  std::string name = "Sans";
  std::int32_t height = -11;
  std::uint32_t color = 0;
  std::int64_t style = 0;
};

// "Strings": a list of texts.
class TTestStrings : public TPersistent {
 public:
  static const ClassInfo& StaticInfo();
  const ClassInfo& Info() const override { return StaticInfo(); }
  void DefineProperties(TFiler& filer) override;
  std::vector<std::string> lines;
};

// "Data": a counted graphic class name, then the graphic's bytes. Only "TTestGraphic" is known;
// another class leaves the picture empty and the rest of the block unread.
class TTestPicture : public TPersistent {
 public:
  static const ClassInfo& StaticInfo();
  const ClassInfo& Info() const override { return StaticInfo(); }
  void DefineProperties(TFiler& filer) override;
  std::string graphic;
  std::vector<std::uint8_t> bytes;
};

class TTestCollection;
class TTestItem : public TCollectionItem {
 public:
  explicit TTestItem(TCollection* c);
  ~TTestItem() override;
  static const ClassInfo& StaticInfo();
  const ClassInfo& Info() const override { return StaticInfo(); }
  void DefineProperties(TFiler& filer) override;  // binary "Payload"
  std::string name;
  bool compress = false;
  TComponent* ref = nullptr;
  std::vector<std::uint8_t> payload;
  std::unique_ptr<TTestCollection> sub;  // "Sub": a nested collection
  std::string compressWhenPayload;       // "Compress" as it was when "Payload" arrived
};

class TTestCollection : public TCollection {
 public:
  static const ClassInfo& StaticInfo();
  const ClassInfo& Info() const override { return StaticInfo(); }
  TCollectionItem* Add() override;
  void BeginUpdate() override;
  void EndUpdate() override;
  TTestItem& At(int i) const { return static_cast<TTestItem&>(*Item(i)); }
  int begins = 0, ends = 0;
};

class TTestControl : public TComponent {
 public:
  explicit TTestControl(TComponent* owner);
  ~TTestControl() override;
  static const ClassInfo& StaticInfo();
  const ClassInfo& Info() const override { return StaticInfo(); }
  void Loaded() override;
  void SetParentComponent(TComponent* parent) override;
  TComponent* ParentComponent() const override { return parent; }
  void SetChildOrder(TComponent* child, int order) override;
  std::vector<TComponent*> Children() const override { return children; }

  TTestControl* parent = nullptr;
  std::vector<TComponent*> children;
  std::int32_t left = 0, top = 0, width = 0;
  std::int64_t align = 0;
  bool enabled = true;
  std::string caption;
  char accel = 'a';
  double ratio = 0;
  std::int64_t options = 0;
  std::uint32_t color = 0;
  std::int32_t readOnlyTag = 7;
  TComponent* ref = nullptr;
  PropValue variant;
  TNotifyEvent onClick;
  TTestFont font;
  TTestStrings lines;
  TTestPicture picture;
  TTestCollection items;
  int loadedCalls = 0;
  unsigned stateAtLoaded = 0;
};

class TTestLabel : public TTestControl {
 public:
  using TTestControl::TTestControl;
  static const ClassInfo& StaticInfo();
  const ClassInfo& Info() const override { return StaticInfo(); }
};

class TTestPanel : public TTestControl {
 public:
  using TTestControl::TTestControl;
  static const ClassInfo& StaticInfo();
  const ClassInfo& Info() const override { return StaticInfo(); }
};

// Owns the pages placed in it (TTestPage, found through the class registry only).
class TTestNotebook : public TTestControl {
 public:
  explicit TTestNotebook(TComponent* owner);
  static const ClassInfo& StaticInfo();
  const ClassInfo& Info() const override { return StaticInfo(); }
  TComponent* ChildOwner(TComponent*) override { return this; }
};

class TTestPage : public TTestControl {
 public:
  using TTestControl::TTestControl;
  static const ClassInfo& StaticInfo();
  const ClassInfo& Info() const override { return StaticInfo(); }
};

class TTestNonVisual : public TNonVisual {
 public:
  using TNonVisual::TNonVisual;
  static const ClassInfo& StaticInfo();
  const ClassInfo& Info() const override { return StaticInfo(); }
  void Loaded() override;
  std::string version;
};

// The root: published fields Panel1, Label1, Label2, Notebook1, NonVisual1 and handlers
// FormCreate, Button1Click; a defined "TextHeight". Children are its parented controls after its
// parentless owned components, as a form lists them.
class TTestForm : public TTestControl {
 public:
  TTestForm();
  static const ClassInfo& StaticInfo();
  const ClassInfo& Info() const override { return StaticInfo(); }
  void DefineProperties(TFiler& filer) override;
  std::vector<TComponent*> Children() const override;

  // Declared with their classes in the table; held as components here.
  TComponent* Panel1 = nullptr;
  TComponent* Label1 = nullptr;
  TComponent* Label2 = nullptr;
  TComponent* Notebook1 = nullptr;
  TComponent* NonVisual1 = nullptr;
  std::int32_t textHeight = 0;
  std::vector<std::string> calls;  // handler calls: "FormCreate", "Button1Click"
};

}  // namespace qs::test
