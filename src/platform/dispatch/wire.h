// The wire form of dispatch calls: how a call on a remote object, its answer
// and its failure travel between a client and the application server.
//
// A frame is a 4-byte little-endian length (of everything after it), a fixed
// 24-byte header and a payload:
//
//   header   magic "PLWF", u16 version, u8 kind, u8 flags (0), u64 request id,
//            u64 object id
//   call          member name, u32 count, that many values (the arguments)
//   answer        result value, u32 count, that many values (the final values
//                 of the call's arguments, so "out" arguments come back)
//   error         class name, base class name, message, i32 code
//   property get  member name
//   property put  member name, value
//   release       nothing: the peer may drop the object named in the header
//
// A name or message is a u32 byte count and the bytes. A value is a one-byte
// tag and its data: integer (i64), float and date (IEEE double), boolean (one
// byte, 0 or 1), narrow text (bytes in whatever code page the connection
// agreed; the wire does not convert), wide text (u32 unit count, UTF-16LE), a
// dispatch object (u64 handle, class name), an array (u8 dimensions 1 or 2,
// u32 length of each dimension, then the elements row by row).
//
// A frame comes from a peer that may be broken or hostile. The decoder checks
// every count against the limits and against the bytes that remain before it
// allocates anything, and fails with EWireError naming what was wrong and
// where. The encoder refuses what the peer's decoder would refuse under the
// same limits, so a well-behaved side never sends a frame that bounces.
#ifndef PELLOR_DISPATCH_WIRE_H_
#define PELLOR_DISPATCH_WIRE_H_

#include <cstddef>
#include <cstdint>
#include <exception>
#include <string>
#include <string_view>

#include "platform/dispatch/dispatch.h"
#include "platform/rtl/errors.h"
#include "platform/rtl/variant.h"

namespace pellor {

// A frame or value that breaks the wire format or its limits.
class EWireError : public Exception {
 public:
  // offset: where in the frame (or stream) the fault was found.
  EWireError(const std::string& what, size_t offset);
  // A message composed elsewhere, such as one the peer sent back.
  explicit EWireError(const std::string& message);
  const char* ClassName() const override { return "EWireError"; }
  size_t Offset() const { return offset_; }
  // What was wrong, without the offset.
  const std::string& Detail() const { return detail_; }

 private:
  std::string detail_;
  size_t offset_;
};

// Version of the frame and value format. A decoder refuses any other.
constexpr uint16_t kWireVersion = 1;
// Length prefix plus header: the smallest frame there is.
constexpr size_t kFramePrefixBytes = 4;
constexpr size_t kFrameHeaderBytes = 24;

// What a decoder accepts, and so what an encoder will produce.
struct WireLimits {
  // Bytes after the length prefix.
  size_t maxFrameBytes = size_t{64} << 20;
  // Arrays inside arrays. The decoder recurses once per level, so keep it small.
  int maxDepth = 32;
  // Values held by arrays and argument lists, summed over a frame. Each costs
  // the size of a Variant in memory whatever its wire size.
  size_t maxElements = size_t{16} << 20;
  // Bytes of one narrow text, name or message; a wide text counts 2 per unit.
  size_t maxTextBytes = size_t{16} << 20;
};

// Maps dispatch objects to the handles that name them on the wire. The table
// belongs to the connection, which knows which side owns an object and when a
// handle may be released.
class WireObjectTable {
 public:
  virtual ~WireObjectTable() = default;
  // The handle under which the peer will name `object`.
  virtual uint64_t HandleOf(const DispatchPtr& object) = 0;
  // The object (or a stand-in for a remote one) the peer names by `handle`;
  // `className` is what the owner's DispatchClassName() said. A null result
  // fails the decoding with EWireError; an error raised here passes through.
  virtual DispatchPtr ObjectOf(uint64_t handle, const std::string& className) = 0;
};

enum class FrameKind : uint8_t {
  kCall = 1,
  kAnswer = 2,
  kError = 3,
  kPropertyGet = 4,
  kPropertyPut = 5,
  kRelease = 6,
};

// Name of a kind as error messages show it ("call", "answer" ...).
const char* FrameKindName(FrameKind kind);

// One decoded frame. Which fields count depends on the kind (see above);
// the others stay at their defaults and are not sent.
struct Frame {
  FrameKind kind = FrameKind::kCall;
  // Chosen by the caller and echoed by the answer or error.
  uint64_t requestId = 0;
  // The object called, read, written or released.
  uint64_t objectId = 0;
  // Call, property get and property put.
  std::string member;
  // Answer: the result. Property put: the new value.
  Variant value;
  // Call: the arguments. Answer: their values after the call.
  VarArgs args;
  // Error: the raiser's ClassName(), the platform error class it derives from
  // (what the receiver raises), the message and the code of EOSError or
  // EInOutError.
  std::string errorClass;
  std::string errorBaseClass;
  std::string errorMessage;
  int32_t errorCode = 0;
};

Frame CallFrame(uint64_t requestId, uint64_t objectId, std::string member, VarArgs args);
Frame AnswerFrame(uint64_t requestId, uint64_t objectId, Variant result, VarArgs args);
Frame PropertyGetFrame(uint64_t requestId, uint64_t objectId, std::string member);
Frame PropertyPutFrame(uint64_t requestId, uint64_t objectId, std::string member, Variant value);
Frame ReleaseFrame(uint64_t requestId, uint64_t objectId);
// The error answer for what a call raised: a platform error keeps its class
// and message (and code); anything else travels as "Exception" with what().
Frame ErrorFrame(uint64_t requestId, uint64_t objectId, const std::exception& error);
// Raises, on the receiving side, the error an error frame carries: an object
// of the platform class named as its base (EDatabaseError, EDispatchError,
// EAbort ...) whose ClassName() is the raiser's, so catchers and logs see the
// same as on the raising side. An unknown base class gives pellor::Exception;
// a frame of another kind raises EWireError.
[[noreturn]] void RaiseErrorFrame(const Frame& frame);

// A whole frame, length prefix included. Raises EWireError for a value that
// cannot travel (a dispatch object without a table) or breaks the limits.
std::string EncodeFrame(const Frame& frame, WireObjectTable* objects = nullptr,
                        const WireLimits& limits = WireLimits());
// Decodes exactly one whole frame, length prefix included. `objects` may be
// null when no frame carries dispatch objects; one that does then fails.
Frame DecodeFrame(std::string_view bytes, WireObjectTable* objects = nullptr,
                  const WireLimits& limits = WireLimits());

// One value on its own, led by a version byte, for storing or for carrying
// inside other formats. Offsets in errors count from that byte.
std::string SerializeVariant(const Variant& value, WireObjectTable* objects = nullptr,
                             const WireLimits& limits = WireLimits());
Variant DeserializeVariant(std::string_view bytes, WireObjectTable* objects = nullptr,
                           const WireLimits& limits = WireLimits());

// Cuts a byte stream, as it arrives from a socket in pieces of any size, into
// frames. A length prefix out of limits is found as soon as its 4 bytes are
// in, before the frame's bytes are awaited or buffered; it leaves the stream
// without a frame boundary, so every later call raises too. A frame whose
// length is sound but whose content is not is consumed and raised once; the
// frames after it are still read.
class FrameReader {
 public:
  explicit FrameReader(WireObjectTable* objects = nullptr, WireLimits limits = WireLimits());

  // Adds bytes. Raises EWireError for a bad length prefix among them.
  void Feed(std::string_view bytes);
  // Takes out the next complete frame; false when none is complete yet.
  bool Next(Frame* frame);
  // Bytes held that do not yet make a complete frame or were not taken out.
  size_t Pending() const { return buffer_.size() - start_; }

 private:
  void CheckPrefixes();
  [[noreturn]] void Broken() const;

  WireObjectTable* objects_;
  WireLimits limits_;
  std::string buffer_;
  size_t start_ = 0;        // first byte not yet taken out
  size_t checked_ = 0;      // first frame whose prefix is not yet checked
  uint64_t consumed_ = 0;   // stream offset of buffer_[0]
  std::string failure_;     // set once the stream has lost its frame boundary
};

}  // namespace pellor

#endif  // PELLOR_DISPATCH_WIRE_H_
