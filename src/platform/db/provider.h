// The provider protocol: what a client dataset asks of a named provider on
// the application server.
//
// A client dataset names its provider (`ProviderName`, "pvdMain") and reaches
// the server through a remote-server component (`RemoteServer`), whose
// dispatch object offers the provider calls as methods taking the provider's
// name first. The same calls work in process (the application server created
// as a local object) and across the network (the socket connection forwards
// dispatch calls), because everything that crosses is a Variant of the shapes
// below.
//
// Methods of the server's dispatch object (names compare without case):
//
//   AS_GetProviderNames ()                                  → array of names
//   AS_GetFieldDefs     (provider)                          → field definitions
//   AS_DataRequest      (provider, data)                    → answer
//   AS_Open             (provider, condition, order, packetRecords)
//                                                           → [cursor, field definitions, rows, all fetched]
//   AS_GetRecords       (provider, cursor, count)           → [rows, all fetched]
//   AS_GetRecordCount   (provider, cursor)                  → integer
//   AS_ApplyUpdates     (provider, delta, maxErrors)        → [error count, errors, committed]
//   AS_Close            (provider, cursor)                  → empty
//
// Shapes (all arrays one-dimensional, indices from 0):
//
//   field definitions  array of [name, type name ("ftString" ...), size,
//                      required (boolean), precision]
//   rows               array of rows; a row is an array of values in the
//                      order of the field definitions; null for no value,
//                      texts narrow in the database code page or wide
//   condition, order   texts (narrow or wide) or empty: a WHERE condition
//                      without "where", an ORDER BY list without "order by";
//                      empty means the query the last DataRequest set (see
//                      IProvider::DataRequest), or all rows in stored order
//   packetRecords      rows in the first packet; -1 all, 0 definitions only
//   count              rows wanted; -1 all outstanding
//   cursor             integer handle of an open query; 0 in
//                      AS_GetRecordCount means the provider's last opened query
//   delta              [field names, changes]; a change is
//                      [kind (1 insert, 2 modify, 3 delete), row id,
//                       original values (modify, delete; else empty),
//                       new values (insert, modify; else empty),
//                       changed flags (modify: one boolean per field; else empty)]
//                      values in the order of the field names
//   errors             array of [row id, message, error code, previous error
//                      code, context, current values (the row as the server
//                      holds it now, or empty)]
//   committed          false when the provider gave up after more than
//                      maxErrors errors: then nothing was applied
//   maxErrors          errors tolerated before everything is rolled back;
//                      -1 tolerates any number (the rows without error stay)
//
// Providers check each modified or deleted row optimistically: the row is
// found by the original values of its key fields, and its version column (the
// suite's `FLAG`) must still hold the original value, so that two users never
// silently overwrite each other; a refused row comes back with a reason.
#ifndef PELLOR_DB_PROVIDER_H_
#define PELLOR_DB_PROVIDER_H_

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "platform/db/dataset.h"
#include "platform/db/fields.h"
#include "platform/dispatch/dispatch.h"
#include "platform/rtl/variant.h"
#include "platform/ui/component.h"

namespace pellor {

// Method names of the protocol.
inline constexpr char kAsGetProviderNames[] = "AS_GetProviderNames";
inline constexpr char kAsGetFieldDefs[] = "AS_GetFieldDefs";
inline constexpr char kAsDataRequest[] = "AS_DataRequest";
inline constexpr char kAsOpen[] = "AS_Open";
inline constexpr char kAsGetRecords[] = "AS_GetRecords";
inline constexpr char kAsGetRecordCount[] = "AS_GetRecordCount";
inline constexpr char kAsApplyUpdates[] = "AS_ApplyUpdates";
inline constexpr char kAsClose[] = "AS_Close";

enum TUpdateKind : uint8_t { ukModify, ukInsert, ukDelete };
// Change kinds as the delta carries them.
inline constexpr int kDeltaInsert = 1;
inline constexpr int kDeltaModify = 2;
inline constexpr int kDeltaDelete = 3;

struct ProviderPacket {
  Variant rows;  // array of row arrays
  bool allFetched = false;
};

struct ProviderOpenResult {
  int64_t cursor = 0;
  std::vector<TFieldDef> fieldDefs;
  ProviderPacket packet;
};

struct DeltaChange {
  TUpdateKind kind = ukModify;
  int64_t rowId = 0;
  std::vector<Variant> originals;
  std::vector<Variant> values;
  std::vector<bool> changed;
};

struct Delta {
  std::vector<std::string> fieldNames;
  std::vector<DeltaChange> changes;
};

struct ApplyError {
  int64_t rowId = 0;
  std::string message;
  int errorCode = 0;
  int previousError = 0;
  std::string context;
  Variant currentValues;  // array in delta field order, or empty
};

struct ApplyResult {
  int errorCount = 0;
  bool committed = true;
  std::vector<ApplyError> errors;
};

// Conversions between the structures and their wire shapes. The From forms
// treat their input as coming from the other side of a network: a value of
// the wrong shape raises EDatabaseError saying what was wrong, never crashes.
Variant FieldDefsToVariant(const std::vector<TFieldDef>& defs);
std::vector<TFieldDef> FieldDefsFromVariant(const Variant& value);
Variant OpenResultToVariant(const ProviderOpenResult& result);
ProviderOpenResult OpenResultFromVariant(const Variant& value);
Variant PacketToVariant(const ProviderPacket& packet);
ProviderPacket PacketFromVariant(const Variant& value);
Variant DeltaToVariant(const Delta& delta);
Delta DeltaFromVariant(const Variant& value);
Variant ApplyResultToVariant(const ApplyResult& result);
ApplyResult ApplyResultFromVariant(const Variant& value);

// A provider as the server implements it, and as the client reaches it.
class IProvider {
 public:
  virtual ~IProvider() = default;
  virtual std::vector<TFieldDef> GetFieldDefs() = 0;
  // An application-defined request. Providers of this system take a
  // two-element array [condition, order] as the query of the next Open that
  // names no condition and order of its own; the answer is then empty.
  virtual Variant DataRequest(const Variant& data) = 0;
  virtual ProviderOpenResult Open(const Variant& condition, const Variant& order, int packetRecords) = 0;
  virtual ProviderPacket GetRecords(int64_t cursor, int count) = 0;
  virtual int64_t GetRecordCount(int64_t cursor) = 0;
  // Applies a delta in one transaction; see the header comment for maxErrors.
  virtual ApplyResult ApplyUpdates(const Delta& delta, int maxErrors) = 0;
  virtual void CloseCursor(int64_t cursor) = 0;
};

// The application server's side: a dispatch object that serves the AS_*
// methods from registered providers. The application server derives from it
// and adds its own methods (AddMethod).
class TProviderServer : public TDispatchObject {
 public:
  explicit TProviderServer(std::string className);

  // A second registration of a name replaces the first.
  void RegisterProvider(const std::string& name, std::shared_ptr<IProvider> provider);
  // Case ignored; nullptr when none. An AS_* call naming an unknown provider
  // raises EDatabaseError "Provider 'x' not found".
  std::shared_ptr<IProvider> FindProvider(std::string_view name) const;
  std::vector<std::string> ProviderNames() const;

 private:
  std::shared_ptr<IProvider> ProviderOf(const Variant& name) const;

  mutable std::mutex mutex_;
  std::vector<std::pair<std::string, std::shared_ptr<IProvider>>> providers_;
};

// The client's side: a provider reached through a server's dispatch object.
class TRemoteProvider : public IProvider {
 public:
  TRemoteProvider(Variant appServer, std::string providerName);

  std::vector<TFieldDef> GetFieldDefs() override;
  Variant DataRequest(const Variant& data) override;
  ProviderOpenResult Open(const Variant& condition, const Variant& order, int packetRecords) override;
  ProviderPacket GetRecords(int64_t cursor, int count) override;
  int64_t GetRecordCount(int64_t cursor) override;
  ApplyResult ApplyUpdates(const Delta& delta, int maxErrors) override;
  void CloseCursor(int64_t cursor) override;

 private:
  Variant Call(const char* method, VarArgs args);

  Variant appServer_;
  std::string providerName_;
};

// A component through which client datasets reach an application server.
// The socket connection derives from it; TLocalConnection holds an object of
// the same process.
class TCustomRemoteServer : public TComponent {
  PELLOR_CLASS(TCustomRemoteServer);

 public:
  explicit TCustomRemoteServer(TComponent* owner) : TComponent(owner) {}
  // The server's dispatch object; connects first when needed. Raises
  // EConnectionError (or the connection's own error) when there is none.
  virtual Variant GetServer() = 0;
  virtual bool Connected() const = 0;
};

class TLocalConnection : public TCustomRemoteServer {
  PELLOR_CLASS(TLocalConnection);

 public:
  explicit TLocalConnection(TComponent* owner) : TCustomRemoteServer(owner) {}
  void SetAppServer(const Variant& server) { appServer_ = server; }
  Variant AppServer() const { return appServer_; }
  Variant GetServer() override;
  bool Connected() const override { return appServer_.IsDispatch(); }

 private:
  Variant appServer_;
};

}  // namespace pellor

#endif  // PELLOR_DB_PROVIDER_H_
