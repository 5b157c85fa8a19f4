#include "platform/db/provider.h"

#include <cmath>

#include "platform/rtl/strutils.h"

namespace pellor {

namespace {

// Limits on what a packet may describe; anything larger is refused as
// malformed rather than allocated.
constexpr int kMaxFields = 4096;
constexpr int64_t kMaxFieldSize = 1 << 30;

[[noreturn]] void Malformed(const std::string& what) { throw EDatabaseError("Malformed provider data: " + what); }

const Variant& Element(const Variant& array, int index, const std::string& what) {
  if (!array.IsArray() || array.Dims() != 1) Malformed(what + " is not a one-dimensional array");
  if (index > array.HighBound(1)) Malformed(what + " has too few elements");
  return array[index];
}

void CheckArray(const Variant& v, const std::string& what) {
  if (!v.IsArray() || v.Dims() != 1) Malformed(what + " is not a one-dimensional array");
}

int64_t IntegerOf(const Variant& v, const std::string& what) {
  if (v.Type() == VarType::kInteger) return v.AsInt64();
  if (v.Type() == VarType::kFloat) {
    double d = v.AsFloat();
    if (std::isfinite(d) && d == std::trunc(d) && std::fabs(d) < 9.0e15) return static_cast<int64_t>(d);
  }
  Malformed(what + " is not an integer");
}

bool BooleanOf(const Variant& v, const std::string& what) {
  if (v.Type() == VarType::kBoolean) return v.AsBoolean();
  if (v.Type() == VarType::kInteger) return v.AsInt64() != 0;
  if (v.IsEmpty()) return false;
  Malformed(what + " is not a boolean");
}

std::string TextOf(const Variant& v, const std::string& what) {
  if (v.Type() == VarType::kString) return v.RawString();
  if (v.Type() == VarType::kWideString) return v.AsString();
  if (v.IsEmpty()) return "";
  Malformed(what + " is not a text");
}

std::vector<Variant> ValuesOf(const Variant& v, size_t expected, const std::string& what) {
  if (v.IsEmpty()) {
    if (expected == 0) return {};
    Malformed(what + " is missing");
  }
  CheckArray(v, what);
  if (static_cast<size_t>(v.Count()) != expected) {
    Malformed(what + " has " + IntToStr(v.Count()) + " values for " + IntToStr(static_cast<int64_t>(expected)) + " fields");
  }
  return v.Elements();
}

Variant ArrayOfValues(const std::vector<Variant>& values) {
  if (values.empty()) return Variant();
  return Variant::ArrayOf(values);
}

}  // namespace

// ---- shapes ----------------------------------------------------------------------

Variant FieldDefsToVariant(const std::vector<TFieldDef>& defs) {
  Variant result = Variant::Array(static_cast<int>(defs.size()) - 1);
  for (size_t i = 0; i < defs.size(); ++i) {
    const TFieldDef& d = defs[i];
    result[static_cast<int>(i)] = Variant::ArrayOf({Variant(d.name), Variant(std::string(FieldTypeName(d.dataType))),
                                                    Variant(d.size), Variant(d.required), Variant(d.precision)});
  }
  return result;
}

std::vector<TFieldDef> FieldDefsFromVariant(const Variant& value) {
  CheckArray(value, "field definitions");
  if (value.Count() > kMaxFields) Malformed("too many field definitions");
  std::vector<TFieldDef> defs;
  for (int i = 0; i < value.Count(); ++i) {
    const Variant& item = value[i];
    std::string what = "field definition " + IntToStr(i);
    CheckArray(item, what);
    if (item.Count() < 3) Malformed(what + " has too few elements");
    TFieldDef def;
    def.name = Trim(TextOf(item[0], what + " name"));
    if (def.name.empty()) Malformed(what + " has no name");
    std::string typeName = TextOf(item[1], what + " type");
    auto type = FieldTypeFromName(typeName);
    if (!type) Malformed(what + " has the unknown type '" + typeName + "'");
    def.dataType = *type;
    int64_t size = IntegerOf(item[2], what + " size");
    if (size < 0 || size > kMaxFieldSize) Malformed(what + " has the size " + IntToStr(size));
    def.size = static_cast<int>(size);
    if (item.Count() > 3) def.required = BooleanOf(item[3], what + " required flag");
    if (item.Count() > 4) {
      int64_t precision = IntegerOf(item[4], what + " precision");
      if (precision < 0 || precision > 1000) Malformed(what + " has the precision " + IntToStr(precision));
      def.precision = static_cast<int>(precision);
    }
    for (const TFieldDef& other : defs)
      if (SameText(other.name, def.name)) Malformed("the field '" + def.name + "' is defined twice");
    defs.push_back(std::move(def));
  }
  return defs;
}

Variant PacketToVariant(const ProviderPacket& packet) {
  return Variant::ArrayOf({packet.rows.IsArray() ? packet.rows : Variant::Array(-1), Variant(packet.allFetched)});
}

ProviderPacket PacketFromVariant(const Variant& value) {
  ProviderPacket packet;
  packet.rows = Element(value, 0, "packet");
  if (!packet.rows.IsEmpty()) CheckArray(packet.rows, "packet rows");
  packet.allFetched = BooleanOf(Element(value, 1, "packet"), "all-fetched flag");
  return packet;
}

Variant OpenResultToVariant(const ProviderOpenResult& result) {
  return Variant::ArrayOf({Variant(result.cursor), FieldDefsToVariant(result.fieldDefs),
                           result.packet.rows.IsArray() ? result.packet.rows : Variant::Array(-1),
                           Variant(result.packet.allFetched)});
}

ProviderOpenResult OpenResultFromVariant(const Variant& value) {
  ProviderOpenResult result;
  result.cursor = IntegerOf(Element(value, 0, "open answer"), "cursor");
  result.fieldDefs = FieldDefsFromVariant(Element(value, 1, "open answer"));
  result.packet.rows = Element(value, 2, "open answer");
  if (!result.packet.rows.IsEmpty()) CheckArray(result.packet.rows, "packet rows");
  result.packet.allFetched = BooleanOf(Element(value, 3, "open answer"), "all-fetched flag");
  return result;
}

Variant DeltaToVariant(const Delta& delta) {
  std::vector<Variant> names(delta.fieldNames.begin(), delta.fieldNames.end());
  Variant changes = Variant::Array(static_cast<int>(delta.changes.size()) - 1);
  for (size_t i = 0; i < delta.changes.size(); ++i) {
    const DeltaChange& c = delta.changes[i];
    int kind = c.kind == ukInsert ? kDeltaInsert : c.kind == ukDelete ? kDeltaDelete : kDeltaModify;
    std::vector<Variant> changed(c.changed.begin(), c.changed.end());
    changes[static_cast<int>(i)] = Variant::ArrayOf({Variant(kind), Variant(c.rowId), ArrayOfValues(c.originals),
                                                     ArrayOfValues(c.values), ArrayOfValues(changed)});
  }
  return Variant::ArrayOf({Variant::ArrayOf(names), changes});
}

Delta DeltaFromVariant(const Variant& value) {
  Delta delta;
  const Variant& names = Element(value, 0, "delta");
  CheckArray(names, "delta field names");
  if (names.Count() > kMaxFields) Malformed("too many delta fields");
  for (int i = 0; i < names.Count(); ++i) delta.fieldNames.push_back(TextOf(names[i], "delta field name"));
  const Variant& changes = Element(value, 1, "delta");
  CheckArray(changes, "delta changes");
  size_t n = delta.fieldNames.size();
  for (int i = 0; i < changes.Count(); ++i) {
    std::string what = "delta change " + IntToStr(i);
    const Variant& item = changes[i];
    DeltaChange c;
    int64_t kind = IntegerOf(Element(item, 0, what), what + " kind");
    c.rowId = IntegerOf(Element(item, 1, what), what + " row id");
    const Variant& originals = Element(item, 2, what);
    const Variant& values = Element(item, 3, what);
    const Variant& changed = Element(item, 4, what);
    switch (kind) {
      case kDeltaInsert:
        c.kind = ukInsert;
        c.values = ValuesOf(values, n, what + " values");
        break;
      case kDeltaModify: {
        c.kind = ukModify;
        c.originals = ValuesOf(originals, n, what + " original values");
        c.values = ValuesOf(values, n, what + " values");
        for (const Variant& flag : ValuesOf(changed, n, what + " changed flags")) {
          c.changed.push_back(BooleanOf(flag, what + " changed flag"));
        }
        break;
      }
      case kDeltaDelete:
        c.kind = ukDelete;
        c.originals = ValuesOf(originals, n, what + " original values");
        break;
      default: Malformed(what + " has the unknown kind " + IntToStr(kind));
    }
    delta.changes.push_back(std::move(c));
  }
  return delta;
}

Variant ApplyResultToVariant(const ApplyResult& result) {
  Variant errors = Variant::Array(static_cast<int>(result.errors.size()) - 1);
  for (size_t i = 0; i < result.errors.size(); ++i) {
    const ApplyError& e = result.errors[i];
    errors[static_cast<int>(i)] = Variant::ArrayOf({Variant(e.rowId), Variant(e.message), Variant(e.errorCode),
                                                    Variant(e.previousError), Variant(e.context), e.currentValues});
  }
  return Variant::ArrayOf({Variant(result.errorCount), errors, Variant(result.committed)});
}

ApplyResult ApplyResultFromVariant(const Variant& value) {
  ApplyResult result;
  int64_t count = IntegerOf(Element(value, 0, "apply answer"), "error count");
  if (count < 0 || count > INT32_MAX) Malformed("the error count " + IntToStr(count));
  result.errorCount = static_cast<int>(count);
  const Variant& errors = Element(value, 1, "apply answer");
  CheckArray(errors, "apply errors");
  for (int i = 0; i < errors.Count(); ++i) {
    std::string what = "apply error " + IntToStr(i);
    const Variant& item = errors[i];
    ApplyError e;
    e.rowId = IntegerOf(Element(item, 0, what), what + " row id");
    e.message = TextOf(Element(item, 1, what), what + " message");
    e.errorCode = static_cast<int>(IntegerOf(Element(item, 2, what), what + " code"));
    e.previousError = static_cast<int>(IntegerOf(Element(item, 3, what), what + " previous code"));
    e.context = TextOf(Element(item, 4, what), what + " context");
    e.currentValues = Element(item, 5, what);
    if (!e.currentValues.IsEmpty()) CheckArray(e.currentValues, what + " current values");
    result.errors.push_back(std::move(e));
  }
  result.committed = BooleanOf(Element(value, 2, "apply answer"), "committed flag");
  return result;
}

// ---- TProviderServer ------------------------------------------------------------------

TProviderServer::TProviderServer(std::string className) : TDispatchObject(std::move(className)) {
  AddMethod(kAsGetProviderNames, 0, 0, [this](VarArgs&) {
    std::vector<Variant> names;
    for (const std::string& name : ProviderNames()) names.emplace_back(name);
    return Variant::ArrayOf(names);
  });
  AddMethod(kAsGetFieldDefs, 1, 1, [this](VarArgs& a) { return FieldDefsToVariant(ProviderOf(a[0])->GetFieldDefs()); });
  AddMethod(kAsDataRequest, 2, 2, [this](VarArgs& a) { return ProviderOf(a[0])->DataRequest(a[1]); });
  AddMethod(kAsOpen, 4, 4, [this](VarArgs& a) {
    int64_t packetRecords = IntegerOf(a[3], "packet size");
    if (packetRecords < -1 || packetRecords > INT32_MAX) Malformed("the packet size " + IntToStr(packetRecords));
    return OpenResultToVariant(ProviderOf(a[0])->Open(a[1], a[2], static_cast<int>(packetRecords)));
  });
  AddMethod(kAsGetRecords, 3, 3, [this](VarArgs& a) {
    int64_t count = IntegerOf(a[2], "row count");
    if (count < -1 || count > INT32_MAX) Malformed("the row count " + IntToStr(count));
    return PacketToVariant(ProviderOf(a[0])->GetRecords(IntegerOf(a[1], "cursor"), static_cast<int>(count)));
  });
  AddMethod(kAsGetRecordCount, 2, 2,
            [this](VarArgs& a) { return Variant(ProviderOf(a[0])->GetRecordCount(IntegerOf(a[1], "cursor"))); });
  AddMethod(kAsApplyUpdates, 3, 3, [this](VarArgs& a) {
    int64_t maxErrors = IntegerOf(a[2], "maximum error count");
    if (maxErrors < -1 || maxErrors > INT32_MAX) Malformed("the maximum error count " + IntToStr(maxErrors));
    return ApplyResultToVariant(ProviderOf(a[0])->ApplyUpdates(DeltaFromVariant(a[1]), static_cast<int>(maxErrors)));
  });
  AddMethod(kAsClose, 2, 2, [this](VarArgs& a) {
    ProviderOf(a[0])->CloseCursor(IntegerOf(a[1], "cursor"));
    return Variant();
  });
}

void TProviderServer::RegisterProvider(const std::string& name, std::shared_ptr<IProvider> provider) {
  std::lock_guard<std::mutex> lock(mutex_);
  for (auto& entry : providers_) {
    if (SameText(entry.first, name)) {
      entry.second = std::move(provider);
      return;
    }
  }
  providers_.emplace_back(name, std::move(provider));
}

std::shared_ptr<IProvider> TProviderServer::FindProvider(std::string_view name) const {
  std::lock_guard<std::mutex> lock(mutex_);
  for (const auto& entry : providers_)
    if (SameText(entry.first, name)) return entry.second;
  return nullptr;
}

std::vector<std::string> TProviderServer::ProviderNames() const {
  std::lock_guard<std::mutex> lock(mutex_);
  std::vector<std::string> names;
  for (const auto& entry : providers_) names.push_back(entry.first);
  return names;
}

std::shared_ptr<IProvider> TProviderServer::ProviderOf(const Variant& name) const {
  std::string text = TextOf(name, "provider name");
  std::shared_ptr<IProvider> provider = FindProvider(text);
  if (provider == nullptr) throw EDatabaseError("Provider '" + text + "' not found");
  return provider;
}

// ---- TRemoteProvider ---------------------------------------------------------------------

TRemoteProvider::TRemoteProvider(Variant appServer, std::string providerName)
    : appServer_(std::move(appServer)), providerName_(std::move(providerName)) {}

Variant TRemoteProvider::Call(const char* method, VarArgs args) {
  args.insert(args.begin(), Variant(providerName_));
  return DispatchInvoke(appServer_, method, args);
}

std::vector<TFieldDef> TRemoteProvider::GetFieldDefs() { return FieldDefsFromVariant(Call(kAsGetFieldDefs, {})); }

Variant TRemoteProvider::DataRequest(const Variant& data) { return Call(kAsDataRequest, {data}); }

ProviderOpenResult TRemoteProvider::Open(const Variant& condition, const Variant& order, int packetRecords) {
  return OpenResultFromVariant(Call(kAsOpen, {condition, order, Variant(packetRecords)}));
}

ProviderPacket TRemoteProvider::GetRecords(int64_t cursor, int count) {
  return PacketFromVariant(Call(kAsGetRecords, {Variant(cursor), Variant(count)}));
}

int64_t TRemoteProvider::GetRecordCount(int64_t cursor) {
  return IntegerOf(Call(kAsGetRecordCount, {Variant(cursor)}), "record count");
}

ApplyResult TRemoteProvider::ApplyUpdates(const Delta& delta, int maxErrors) {
  return ApplyResultFromVariant(Call(kAsApplyUpdates, {DeltaToVariant(delta), Variant(maxErrors)}));
}

void TRemoteProvider::CloseCursor(int64_t cursor) { Call(kAsClose, {Variant(cursor)}); }

// ---- remote-server components --------------------------------------------------------------

PELLOR_DEFINE_CLASS(TCustomRemoteServer, TComponent);
PELLOR_DEFINE_CLASS(TLocalConnection, TCustomRemoteServer);

Variant TLocalConnection::GetServer() {
  if (!appServer_.IsDispatch()) {
    throw EConnectionError("The connection " + (Name().empty() ? std::string("") : "'" + Name() + "' ") +
                           "has no application server");
  }
  return appServer_;
}

}  // namespace pellor
