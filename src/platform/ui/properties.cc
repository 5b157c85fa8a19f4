#include "platform/ui/properties.h"

#include <algorithm>

#include "platform/rtl/strutils.h"
#include "platform/ui/component.h"
#include "platform/ui/graphics.h"

namespace pellor {

// ---- Names and tables --------------------------------------------------------

int TEnumInfo::Ordinal(std::string_view name) const {
  for (size_t i = 0; i < names.size(); ++i) {
    if (SameText(names[i], name)) return static_cast<int>(i);
  }
  return -1;
}

std::optional<int64_t> TIdentMap::ValueOf(std::string_view name) const {
  for (const TIdentEntry& entry : entries) {
    if (SameText(entry.name, name)) return entry.value;
  }
  return std::nullopt;
}

std::optional<std::string_view> TIdentMap::NameOf(int64_t value) const {
  for (const TIdentEntry& entry : entries) {
    if (entry.value == value) return entry.name;
  }
  return std::nullopt;
}

const char* PropKindName(PropKind kind) {
  switch (kind) {
    case PropKind::kInteger: return "Integer";
    case PropKind::kFloat: return "Float";
    case PropKind::kText: return "String";
    case PropKind::kChar: return "Char";
    case PropKind::kEnum: return "Enumeration";
    case PropKind::kBoolean: return "Boolean";
    case PropKind::kSet: return "Set";
    case PropKind::kColor: return "TColor";
    case PropKind::kStrings: return "TStrings";
    case PropKind::kObject: return "Object";
    case PropKind::kFont: return "TFont";
    case PropKind::kReference: return "Component";
  }
  return "?";
}

bool TPropInfo::ReadOnly() const {
  switch (kind) {
    case PropKind::kFloat: return !setFloat;
    case PropKind::kText: return !setText;
    case PropKind::kStrings: return !setStrings;
    case PropKind::kObject:
    case PropKind::kFont: return true;  // the object itself stays; its properties change
    case PropKind::kReference: return !setReference;
    default: return !setOrdinal;
  }
}

namespace {

template <class Info>
const Info* FindByName(const std::vector<std::unique_ptr<Info>>& list, std::string_view name) {
  for (const auto& info : list) {
    if (SameText(info->name, name)) return info.get();
  }
  return nullptr;
}

template <class Info>
void AddUnique(std::vector<std::unique_ptr<Info>>& list, Info info, const char* what) {
  if (FindByName(list, info.name) != nullptr) {
    throw EPropertyError(std::string(what) + " '" + info.name + "' is declared twice");
  }
  list.push_back(std::make_unique<Info>(std::move(info)));
}

}  // namespace

void TPropertyTable::AddProperty(TPropInfo info) { AddUnique(properties_, std::move(info), "Property"); }
void TPropertyTable::AddEvent(TEventInfo info) { AddUnique(events_, std::move(info), "Event"); }
void TPropertyTable::AddHandler(THandlerInfo info) { AddUnique(handlers_, std::move(info), "Handler"); }

const TPropInfo* TPropertyTable::FindProperty(std::string_view name) const { return FindByName(properties_, name); }
const TEventInfo* TPropertyTable::FindEvent(std::string_view name) const { return FindByName(events_, name); }
const THandlerInfo* TPropertyTable::FindHandler(std::string_view name) const { return FindByName(handlers_, name); }

TClassInfo::TClassInfo(std::string_view name, const TClassInfo* parent, Definer define)
    : name_(name), parent_(parent), define_(define) {}

TClassInfo::~TClassInfo() = default;

const TPropertyTable& TClassInfo::Table() const {
  std::call_once(built_, [this] {
    auto table = std::make_unique<TPropertyTable>();
    if (define_ != nullptr) define_(*table);
    table_ = std::move(table);
  });
  return *table_;
}

bool TClassInfo::InheritsFrom(std::string_view className) const {
  for (const TClassInfo* c = this; c != nullptr; c = c->parent_) {
    if (SameText(c->name_, className)) return true;
  }
  return false;
}

bool TClassInfo::InheritsFrom(const TClassInfo& other) const {
  for (const TClassInfo* c = this; c != nullptr; c = c->parent_) {
    if (c == &other) return true;
  }
  return false;
}

const TPropInfo* TClassInfo::FindProperty(std::string_view name) const {
  for (const TClassInfo* c = this; c != nullptr; c = c->parent_) {
    if (const TPropInfo* info = c->Table().FindProperty(name)) return info;
  }
  return nullptr;
}

const TEventInfo* TClassInfo::FindEvent(std::string_view name) const {
  for (const TClassInfo* c = this; c != nullptr; c = c->parent_) {
    if (const TEventInfo* info = c->Table().FindEvent(name)) return info;
  }
  return nullptr;
}

const THandlerInfo* TClassInfo::FindHandler(std::string_view name) const {
  for (const TClassInfo* c = this; c != nullptr; c = c->parent_) {
    if (const THandlerInfo* info = c->Table().FindHandler(name)) return info;
  }
  return nullptr;
}

std::vector<const TPropInfo*> TClassInfo::Properties() const {
  std::vector<const TClassInfo*> chain;
  for (const TClassInfo* c = this; c != nullptr; c = c->parent_) chain.push_back(c);
  std::vector<const TPropInfo*> result;
  for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
    for (const auto& info : (*it)->Table().Properties()) {
      auto same = std::find_if(result.begin(), result.end(),
                               [&](const TPropInfo* p) { return SameText(p->name, info->name); });
      if (same != result.end()) {
        *same = info.get();
      } else {
        result.push_back(info.get());
      }
    }
  }
  return result;
}

// ---- Paths ------------------------------------------------------------------------

namespace {

std::string Describe(const TPersistent& object) {
  const auto* component = dynamic_cast<const TComponent*>(&object);
  if (component != nullptr && !component->Name().empty()) {
    return component->Name() + " (" + object.ClassName() + ")";
  }
  return object.ClassName();
}

std::string TypeName(const TPropInfo& info) {
  if (info.enumType != nullptr) {
    return info.kind == PropKind::kSet ? "set of " + std::string(info.enumType->typeName)
                                       : std::string(info.enumType->typeName);
  }
  if (info.objectClass != nullptr) return info.objectClass->ClassName();
  if (info.idents != nullptr) return std::string(info.idents->typeName);
  return PropKindName(info.kind);
}

[[noreturn]] void RefuseValue(const TPersistent& object, const TPropInfo& info, const std::string& shown,
                              const std::string& why = "") {
  throw EPropertyError("Invalid value '" + shown + "' for property '" + info.name + "' (" + TypeName(info) +
                       ") of " + Describe(object) + (why.empty() ? "" : ": " + why));
}

// What a path leads to: the object holding the last property, the property,
// and the component whose owners resolve component names.
struct Target {
  TPersistent* object;
  const TPropInfo* info;
  TComponent* context;
};

const TPropInfo* RequireProperty(const TPersistent& object, std::string_view name) {
  const TPropInfo* info = object.ClassType().FindProperty(name);
  if (info == nullptr) {
    throw EPropertyError("Property '" + std::string(name) + "' does not exist in " + Describe(object));
  }
  return info;
}

bool IsObjectKind(PropKind kind) {
  return kind == PropKind::kObject || kind == PropKind::kFont || kind == PropKind::kReference;
}

Target Walk(const TPersistent& start, std::string_view path) {
  TPersistent* object = const_cast<TPersistent*>(&start);
  TComponent* context = dynamic_cast<TComponent*>(object);
  std::vector<std::string> segments = SplitString(path, ".");
  for (size_t i = 0;; ++i) {
    std::string name = Trim(segments[i]);
    if (name.empty()) {
      throw EPropertyError("Property path '" + std::string(path) + "' of " + Describe(start) + " has an empty name");
    }
    const TPropInfo* info = RequireProperty(*object, name);
    if (i + 1 == segments.size()) return {object, info, context};
    if (!IsObjectKind(info->kind)) {
      throw EPropertyError("Property '" + info->name + "' of " + Describe(*object) +
                           " is no object, so '" + std::string(path) + "' leads nowhere");
    }
    TPersistent* next = info->getObject(*object);
    if (next == nullptr) {
      throw EPropertyError("Property '" + info->name + "' of " + Describe(*object) + " is not set, so '" +
                           std::string(path) + "' leads nowhere");
    }
    object = next;
    if (auto* component = dynamic_cast<TComponent*>(object)) context = component;
  }
}

void RequireWritable(const Target& t) {
  if (t.info->ReadOnly()) {
    throw EPropertyError("Property '" + t.info->name + "' of " + Describe(*t.object) + " is read-only");
  }
}

// ---- Component references -----------------------------------------------------------

// The components whose owned components a reference name is looked up in:
// the owners of `context` from the nearest outwards, or `context` itself when
// it has no owner.
std::vector<TComponent*> LookupRoots(TComponent* context) {
  std::vector<TComponent*> roots;
  if (context == nullptr) return roots;
  if (context->Owner() == nullptr) {
    roots.push_back(context);
  } else {
    for (TComponent* root = context->Owner(); root != nullptr; root = root->Owner()) roots.push_back(root);
  }
  return roots;
}

TComponent* FindInRoots(const std::vector<TComponent*>& roots, std::string_view name) {
  for (TComponent* root : roots) {
    if (SameText(root->Name(), name)) return root;
    if (TComponent* found = root->FindComponent(name)) return found;
  }
  return nullptr;
}

// Resolves "name" or "Owner.name"; nullptr when not found.
TComponent* ResolveReference(TComponent* context, std::string_view text) {
  std::vector<TComponent*> roots = LookupRoots(context);
  size_t dot = text.find('.');
  if (dot == std::string_view::npos) return FindInRoots(roots, text);
  TComponent* owner = FindInRoots(roots, Trim(text.substr(0, dot)));
  return owner != nullptr ? owner->FindComponent(Trim(text.substr(dot + 1))) : nullptr;
}

std::string ReferenceName(TComponent* context, const TPersistent* target) {
  const auto* component = dynamic_cast<const TComponent*>(target);
  if (component == nullptr) return "";
  if (ResolveReference(context, component->Name()) == component) return component->Name();
  const TComponent* owner = component->Owner();
  if (owner != nullptr && !owner->Name().empty()) return owner->Name() + "." + component->Name();
  return component->Name();
}

// ---- Value conversions ----------------------------------------------------------------

std::string Shown(const Variant& value) {
  if (value.IsNull()) return "Null";
  if (value.IsArray()) return "(array)";
  if (value.IsDispatch()) return "(object)";
  try {
    return value.AsString();
  } catch (const Exception&) {
    return "?";
  }
}

// Integer value of a non-text Variant; nullopt for null, arrays and objects.
std::optional<int64_t> NumberOf(const Variant& value) {
  if (value.IsNull() || value.IsArray() || value.Type() == VarType::kDispatch) return std::nullopt;
  try {
    return value.AsInt64();
  } catch (const Exception&) {
    return std::nullopt;
  }
}

std::string SetText(const TEnumInfo& type, uint64_t bits) {
  std::string text = "[";
  for (size_t i = 0; i < type.names.size() && i < 64; ++i) {
    if ((bits >> i) & 1) {
      if (text.size() > 1) text += ",";
      text += type.names[i];
    }
  }
  return text + "]";
}

std::optional<uint64_t> ParseSet(const TEnumInfo& type, std::string_view text) {
  std::string body = Trim(text);
  if (!body.empty() && body.front() == '[') {
    if (body.back() != ']') return std::nullopt;
    body = body.substr(1, body.size() - 2);
  }
  uint64_t bits = 0;
  if (Trim(body).empty()) return bits;
  for (const std::string& part : SplitString(body, ",")) {
    int ordinal = type.Ordinal(Trim(part));
    if (ordinal < 0 || ordinal >= 64) return std::nullopt;
    bits |= uint64_t{1} << ordinal;
  }
  return bits;
}

std::optional<int64_t> ParseBoolean(std::string_view text) {
  std::string trimmed = Trim(text);
  if (SameText(trimmed, "True")) return 1;
  if (SameText(trimmed, "False")) return 0;
  if (auto number = TryStrToInt64(trimmed)) return *number != 0 ? 1 : 0;
  return std::nullopt;
}

// The ordinal a Variant gives for an ordinal-kind property, or a refusal.
int64_t OrdinalFor(const Target& t, const Variant& value) {
  const TPropInfo& info = *t.info;
  const std::string shown = Shown(value);
  auto refuse = [&](const std::string& why = "") { RefuseValue(*t.object, info, shown, why); };

  switch (info.kind) {
    case PropKind::kInteger: {
      std::optional<int64_t> number;
      if (value.IsText()) {
        std::string text = Trim(value.AsString());
        if (info.idents != nullptr) number = info.idents->ValueOf(text);
        if (!number) number = TryStrToInt64(text);
      } else {
        number = NumberOf(value);
      }
      if (!number) refuse();
      if (*number < info.minValue || *number > info.maxValue) {
        refuse("out of range " + IntToStr(info.minValue) + ".." + IntToStr(info.maxValue));
      }
      return *number;
    }
    case PropKind::kChar: {
      if (value.IsText()) {
        std::string text = value.AsString();
        if (text.size() <= 1) return text.empty() ? 0 : static_cast<unsigned char>(text[0]);
        if (text[0] == '#') {
          if (auto code = TryStrToInt(text.substr(1)); code && *code >= 0 && *code <= 255) return *code;
        }
        refuse("one character expected");
      }
      auto number = NumberOf(value);
      if (!number || *number < 0 || *number > 255) refuse();
      return *number;
    }
    case PropKind::kEnum: {
      const int64_t count = static_cast<int64_t>(info.enumType->names.size());
      std::optional<int64_t> ordinal;
      if (value.IsText()) {
        std::string text = Trim(value.AsString());
        ordinal = TryStrToInt64(text);
        if (!ordinal) {
          int found = info.enumType->Ordinal(text);
          if (found >= 0) ordinal = found;
        }
      } else if (value.Type() == VarType::kBoolean) {
        ordinal = value.AsBoolean() ? 1 : 0;  // the ordinal of a boolean, not -1
      } else {
        ordinal = NumberOf(value);
      }
      if (!ordinal || *ordinal < 0 || *ordinal >= count) refuse();
      return *ordinal;
    }
    case PropKind::kBoolean: {
      if (value.Type() == VarType::kBoolean) return value.AsBoolean() ? 1 : 0;
      std::optional<int64_t> flag;
      if (value.IsText()) {
        flag = ParseBoolean(value.AsString());
      } else if (auto number = NumberOf(value)) {
        flag = *number != 0 ? 1 : 0;
      }
      if (!flag) refuse();
      return *flag;
    }
    case PropKind::kSet: {
      const size_t count = info.enumType->names.size();
      const uint64_t all = count >= 64 ? ~uint64_t{0} : (uint64_t{1} << count) - 1;
      std::optional<uint64_t> bits;
      if (value.IsText()) {
        bits = ParseSet(*info.enumType, value.AsString());
      } else if (auto number = NumberOf(value); number && *number >= 0) {
        bits = static_cast<uint64_t>(*number);
      }
      if (!bits || (*bits & ~all) != 0) refuse();
      return static_cast<int64_t>(*bits);
    }
    case PropKind::kColor: {
      std::optional<TColor> color;
      if (value.IsText()) {
        color = TryStringToColor(value.AsString());
      } else if (auto number = NumberOf(value); number && *number >= INT32_MIN && *number <= UINT32_MAX) {
        color = static_cast<TColor>(static_cast<uint32_t>(*number));
      }
      if (!color) refuse();
      return *color;
    }
    default:
      break;
  }
  RefuseValue(*t.object, info, shown);
}

TStringList LinesOf(const Target& t, const Variant& value) {
  TStringList lines;
  if (value.IsArray()) {
    if (value.Dims() != 1) RefuseValue(*t.object, *t.info, Shown(value), "one-dimensional array expected");
    for (const Variant& line : value.Elements()) {
      if (line.IsArray() || line.IsDispatch()) RefuseValue(*t.object, *t.info, Shown(value));
      lines.Add(VarToStr(line));
    }
    return lines;
  }
  if (value.IsDispatch()) RefuseValue(*t.object, *t.info, Shown(value));
  lines.SetText(VarToStr(value));
  return lines;
}

}  // namespace

// ---- Access by name -----------------------------------------------------------------

const TPropInfo* FindPropInfo(const TPersistent& instance, std::string_view name) {
  return instance.ClassType().FindProperty(Trim(name));
}

bool IsPublishedProp(const TPersistent& instance, std::string_view path) {
  try {
    Walk(instance, path);
    return true;
  } catch (const EPropertyError&) {
    return false;
  }
}

namespace {

Variant ValueOf(const Target& t) {
  const TPropInfo& info = *t.info;
  switch (info.kind) {
    case PropKind::kInteger:
    case PropKind::kColor: return Variant(info.getOrdinal(*t.object));
    case PropKind::kFloat: return Variant(info.getFloat(*t.object));
    case PropKind::kText: return Variant(info.getText(*t.object));
    case PropKind::kChar: {
      int64_t code = info.getOrdinal(*t.object);
      return Variant(code == 0 ? std::string() : std::string(1, static_cast<char>(code)));
    }
    case PropKind::kEnum: {
      int64_t ordinal = info.getOrdinal(*t.object);
      if (ordinal >= 0 && ordinal < static_cast<int64_t>(info.enumType->names.size())) {
        return Variant(std::string(info.enumType->names[ordinal]));
      }
      return Variant(ordinal);
    }
    case PropKind::kBoolean: return Variant(info.getOrdinal(*t.object) != 0);
    case PropKind::kSet: return Variant(SetText(*info.enumType, static_cast<uint64_t>(info.getOrdinal(*t.object))));
    case PropKind::kStrings: return Variant(info.getStrings(*t.object).Text());
    case PropKind::kReference: return Variant(ReferenceName(t.context, info.getObject(*t.object)));
    case PropKind::kObject:
    case PropKind::kFont:
      throw EPropertyError("Property '" + info.name + "' of " + Describe(*t.object) +
                           " is an object; address one of its properties (" + info.name + ".Name)");
  }
  return Variant();
}

}  // namespace

Variant GetPropValue(const TPersistent& instance, std::string_view path) {
  return ValueOf(Walk(instance, path));
}

std::string GetPropText(const TPersistent& instance, std::string_view path) {
  Target t = Walk(instance, path);
  const TPropInfo& info = *t.info;
  switch (info.kind) {
    case PropKind::kInteger: {
      int64_t value = info.getOrdinal(*t.object);
      if (info.idents != nullptr) {
        if (auto name = info.idents->NameOf(value)) return std::string(*name);
      }
      return IntToStr(value);
    }
    case PropKind::kColor: return ColorToString(static_cast<TColor>(info.getOrdinal(*t.object)));
    case PropKind::kFloat: return FloatToStr(info.getFloat(*t.object));
    case PropKind::kChar: {
      int64_t code = info.getOrdinal(*t.object);
      if (code < 32 || code > 126) return "#" + IntToStr(code);
      return std::string(1, static_cast<char>(code));
    }
    case PropKind::kBoolean: return info.getOrdinal(*t.object) != 0 ? "True" : "False";
    default: return ValueOf(t).AsString();
  }
}

void SetPropValue(TPersistent& instance, std::string_view path, const Variant& value) {
  Target t = Walk(instance, path);
  const TPropInfo& info = *t.info;
  if (info.kind == PropKind::kObject || info.kind == PropKind::kFont) {
    throw EPropertyError("Property '" + info.name + "' of " + Describe(*t.object) +
                         " is an object; set one of its properties (" + info.name + ".Name)");
  }
  RequireWritable(t);
  switch (info.kind) {
    case PropKind::kFloat: {
      std::optional<double> number;
      if (value.IsText()) {
        number = TryStrToFloat(value.AsString());
      } else if (!value.IsNull() && !value.IsArray() && value.Type() != VarType::kDispatch) {
        try {
          number = value.AsFloat();
        } catch (const Exception&) {
        }
      }
      if (!number) RefuseValue(*t.object, info, Shown(value));
      info.setFloat(*t.object, *number);
      return;
    }
    case PropKind::kText:
      if (value.IsArray() || value.IsDispatch()) RefuseValue(*t.object, info, Shown(value));
      info.setText(*t.object, VarToStr(value));
      return;
    case PropKind::kStrings: info.setStrings(*t.object, LinesOf(t, value)); return;
    case PropKind::kReference: {
      if (value.IsBlank()) {
        info.setReference(*t.object, nullptr);
        return;
      }
      if (!value.IsText()) RefuseValue(*t.object, info, Shown(value), "a component name expected");
      std::string name = Trim(value.AsString());
      TComponent* component = nullptr;
      if (!name.empty()) {
        component = ResolveReference(t.context, name);
        if (component == nullptr) RefuseValue(*t.object, info, name, "no such component");
      }
      if (!info.setReference(*t.object, component)) {
        RefuseValue(*t.object, info, name, "the component is a " + component->ClassName());
      }
      return;
    }
    default: info.setOrdinal(*t.object, OrdinalFor(t, value)); return;
  }
}

TPersistent* GetObjectProp(const TPersistent& instance, std::string_view path) {
  Target t = Walk(instance, path);
  if (!IsObjectKind(t.info->kind)) {
    throw EPropertyError("Property '" + t.info->name + "' of " + Describe(*t.object) + " is no object");
  }
  return t.info->getObject(*t.object);
}

void SetReferenceProp(TPersistent& instance, std::string_view path, TComponent* target) {
  Target t = Walk(instance, path);
  if (t.info->kind != PropKind::kReference) {
    throw EPropertyError("Property '" + t.info->name + "' of " + Describe(*t.object) + " is no component reference");
  }
  RequireWritable(t);
  if (!t.info->setReference(*t.object, target)) {
    RefuseValue(*t.object, *t.info, target->Name(), "the component is a " + target->ClassName());
  }
}

TStringList GetStringsProp(const TPersistent& instance, std::string_view path) {
  Target t = Walk(instance, path);
  if (t.info->kind != PropKind::kStrings) {
    throw EPropertyError("Property '" + t.info->name + "' of " + Describe(*t.object) + " is no string list");
  }
  return t.info->getStrings(*t.object);
}

void SetStringsProp(TPersistent& instance, std::string_view path, const TStringList& lines) {
  Target t = Walk(instance, path);
  if (t.info->kind != PropKind::kStrings) {
    throw EPropertyError("Property '" + t.info->name + "' of " + Describe(*t.object) + " is no string list");
  }
  RequireWritable(t);
  t.info->setStrings(*t.object, lines);
}

// ---- Events ------------------------------------------------------------------------------

namespace {

const TEventInfo* RequireEvent(const TComponent& component, std::string_view event) {
  const TEventInfo* info = component.ClassType().FindEvent(Trim(event));
  if (info == nullptr) {
    throw EPropertyError("Event '" + std::string(event) + "' does not exist in " + Describe(component));
  }
  return info;
}

}  // namespace

void BindEvent(TComponent& component, std::string_view event, TComponent& handlerOwner, std::string_view handler) {
  const TEventInfo* slot = RequireEvent(component, event);
  std::string handlerName = Trim(handler);
  if (handlerName.empty()) {
    slot->clear(component);
    return;
  }
  bool ownerChain = false;
  for (const TComponent* c = &component; c != nullptr && !ownerChain; c = c->Owner()) ownerChain = c == &handlerOwner;
  if (!ownerChain) {
    throw EPropertyError("Handler '" + handlerName + "' of " + Describe(handlerOwner) + " cannot serve " +
                         Describe(component) + ": handlers come from the component or its owners");
  }
  const THandlerInfo* method = handlerOwner.ClassType().FindHandler(handlerName);
  if (method == nullptr) {
    throw EPropertyError("Handler '" + handlerName + "' does not exist in " + Describe(handlerOwner));
  }
  if (method->signature != slot->signature) {
    throw EPropertyError("Handler '" + method->name + "' of " + Describe(handlerOwner) + " does not fit event '" +
                         slot->name + "' of " + Describe(component));
  }
  slot->assign(component, method->bind(handlerOwner));
}

bool EventAssigned(const TComponent& component, std::string_view event) {
  return RequireEvent(component, event)->assigned(const_cast<TComponent&>(component));
}

}  // namespace pellor
