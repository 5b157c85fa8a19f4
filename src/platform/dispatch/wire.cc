#include "platform/dispatch/wire.h"

#include <cstring>
#include <limits>
#include <typeinfo>
#include <utility>

namespace pellor {

namespace {

constexpr char kMagic[4] = {'P', 'L', 'W', 'F'};

// Value tags. They are the wire's own numbers, not VarType's, so that the
// in-memory enum may change without changing the format.
enum Tag : uint8_t {
  kTagEmpty = 0,
  kTagNull = 1,
  kTagInteger = 2,
  kTagFloat = 3,
  kTagBoolean = 4,
  kTagString = 5,
  kTagWideString = 6,
  kTagDate = 7,
  kTagObject = 8,
  kTagArray = 9,
};

std::string Num(uint64_t value) { return std::to_string(value); }

// ---------------------------------------------------------------------------
// Encoding

class Encoder {
 public:
  Encoder(std::string* out, WireObjectTable* objects, const WireLimits& limits)
      : out_(out), objects_(objects), limits_(limits) {}

  void U8(uint8_t value) { out_->push_back(static_cast<char>(value)); }
  void U16(uint16_t value) { Little(value, 2); }
  void U32(uint32_t value) { Little(value, 4); }
  void U64(uint64_t value) { Little(value, 8); }
  void F64(double value) {
    uint64_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    U64(bits);
  }

  void Text(std::string_view text, const char* what) {
    CheckText(text.size(), what);
    U32(static_cast<uint32_t>(text.size()));
    out_->append(text.data(), text.size());
  }

  // Counts values against the frame's element budget.
  void Count(size_t count, const char* what) {
    if (count > limits_.maxElements - std::min(elements_, limits_.maxElements)) {
      Fail(std::string(what) + " would bring the frame to " + Num(elements_ + count) +
           " values, more than the limit of " + Num(limits_.maxElements));
    }
    elements_ += count;
  }

  void Value(const Variant& value, int depth) {
    switch (value.Type()) {
      case VarType::kEmpty:
        U8(kTagEmpty);
        return;
      case VarType::kNull:
        U8(kTagNull);
        return;
      case VarType::kInteger:
        U8(kTagInteger);
        U64(static_cast<uint64_t>(value.AsInt64()));
        return;
      case VarType::kFloat:
        U8(kTagFloat);
        F64(value.AsFloat());
        return;
      case VarType::kBoolean:
        U8(kTagBoolean);
        U8(value.AsBoolean() ? 1 : 0);
        return;
      case VarType::kString:
        U8(kTagString);
        Text(value.RawString(), "narrow text");
        return;
      case VarType::kWideString: {
        const std::u16string& wide = value.RawWideString();
        CheckText(wide.size() * 2, "wide text");
        U8(kTagWideString);
        U32(static_cast<uint32_t>(wide.size()));
        for (char16_t unit : wide) U16(static_cast<uint16_t>(unit));
        return;
      }
      case VarType::kDate:
        U8(kTagDate);
        F64(value.AsDate());
        return;
      case VarType::kDispatch: {
        if (!value.IsDispatch()) {  // a Variant never holds a null object, but be safe
          U8(kTagEmpty);
          return;
        }
        if (objects_ == nullptr) {
          Fail("a dispatch object cannot travel without an object table");
        }
        DispatchPtr object = value.AsDispatch();
        const uint64_t handle = objects_->HandleOf(object);
        U8(kTagObject);
        U64(handle);
        Text(object->DispatchClassName(), "class name of a dispatch object");
        return;
      }
      case VarType::kArray:
        Array(value, depth);
        return;
    }
    Fail("a value of unknown type " + Num(static_cast<unsigned>(value.Type())));
  }

  [[noreturn]] void Fail(const std::string& what) const {
    throw EWireError("Cannot encode: " + what, out_->size());
  }

 private:
  void Little(uint64_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) out_->push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
  }

  void CheckText(size_t bytes, const char* what) const {
    if (bytes > limits_.maxTextBytes || bytes > std::numeric_limits<uint32_t>::max()) {
      Fail(std::string(what) + " of " + Num(bytes) + " bytes is longer than the limit of " +
           Num(limits_.maxTextBytes));
    }
  }

  void Array(const Variant& value, int depth) {
    if (depth >= limits_.maxDepth) {
      Fail("arrays nested deeper than the limit of " + Num(static_cast<uint64_t>(limits_.maxDepth)));
    }
    const int dims = value.Dims();
    const size_t rows = static_cast<size_t>(value.HighBound(1) + 1);
    const size_t cols = dims == 2 ? static_cast<size_t>(value.HighBound(2) + 1) : 1;
    Count(rows * cols, "an array");
    U8(kTagArray);
    U8(static_cast<uint8_t>(dims));
    U32(static_cast<uint32_t>(rows));
    if (dims == 2) U32(static_cast<uint32_t>(cols));
    if (dims == 1) {
      for (size_t i = 0; i < rows; ++i) Value(value[static_cast<int>(i)], depth + 1);
    } else {
      for (size_t i = 0; i < rows; ++i) {
        for (size_t j = 0; j < cols; ++j) {
          Value(value.At(static_cast<int>(i), static_cast<int>(j)), depth + 1);
        }
      }
    }
  }

  std::string* out_;
  WireObjectTable* objects_;
  const WireLimits& limits_;
  size_t elements_ = 0;
};

// ---------------------------------------------------------------------------
// Decoding

class Decoder {
 public:
  // data: the bytes to read; base: the offset of data[0] in whatever the
  // error messages count from.
  Decoder(std::string_view data, size_t base, WireObjectTable* objects, const WireLimits& limits)
      : data_(data), base_(base), objects_(objects), limits_(limits) {}

  size_t Remaining() const { return data_.size() - pos_; }
  size_t Offset() const { return base_ + pos_; }

  uint8_t U8(const char* what) {
    Need(1, what);
    return static_cast<uint8_t>(data_[pos_++]);
  }
  uint16_t U16(const char* what) { return static_cast<uint16_t>(Little(2, what)); }
  uint32_t U32(const char* what) { return static_cast<uint32_t>(Little(4, what)); }
  uint64_t U64(const char* what) { return Little(8, what); }
  double F64(const char* what) {
    const uint64_t bits = U64(what);
    double value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
  }

  std::string Text(const char* what) {
    const size_t at = Offset();
    const uint32_t length = U32(what);
    CheckLength(length, what, at);
    std::string text(data_.substr(pos_, length));
    pos_ += length;
    return text;
  }

  // A count of values about to be read, each at least one byte long.
  void Count(uint64_t count, const char* what, size_t at) {
    if (count > limits_.maxElements - std::min(elements_, limits_.maxElements)) {
      Fail(std::string(what) + " of " + Num(count) + " values brings the frame past the limit of " +
               Num(limits_.maxElements) + " values",
           at);
    }
    if (count > Remaining()) {
      Fail(std::string(what) + " of " + Num(count) + " values cannot fit in the " +
               Num(Remaining()) + " bytes that remain",
           at);
    }
    elements_ += static_cast<size_t>(count);
  }

  Variant Value(int depth) {
    const size_t at = Offset();
    const uint8_t tag = U8("value tag");
    switch (tag) {
      case kTagEmpty:
        return Variant();
      case kTagNull:
        return Variant::Null();
      case kTagInteger:
        return Variant(static_cast<int64_t>(U64("integer")));
      case kTagFloat:
        return Variant(F64("float"));
      case kTagBoolean: {
        const size_t byteAt = Offset();
        const uint8_t flag = U8("boolean");
        if (flag > 1) Fail("boolean byte " + Num(flag) + " is neither 0 nor 1", byteAt);
        return Variant(flag == 1);
      }
      case kTagString:
        return Variant(Text("narrow text"));
      case kTagWideString: {
        const size_t lengthAt = Offset();
        const uint32_t units = U32("wide text length");
        CheckLength(uint64_t{units} * 2, "wide text", lengthAt);
        std::u16string wide(units, u'\0');
        for (uint32_t i = 0; i < units; ++i) {
          wide[i] = static_cast<char16_t>(static_cast<uint8_t>(data_[pos_]) |
                                          (static_cast<uint8_t>(data_[pos_ + 1]) << 8));
          pos_ += 2;
        }
        return Variant(std::move(wide));
      }
      case kTagDate:
        return Variant::Date(F64("date"));
      case kTagObject: {
        const uint64_t handle = U64("object handle");
        std::string className = Text("class name of a dispatch object");
        if (objects_ == nullptr) Fail("a dispatch object arrived without an object table", at);
        DispatchPtr object = objects_->ObjectOf(handle, className);
        if (object == nullptr) Fail("unknown object handle " + Num(handle), at);
        return Variant(std::move(object));
      }
      case kTagArray:
        return Array(depth, at);
      default:
        Fail("unknown value tag " + Num(tag), at);
    }
  }

  // Everything must have been read.
  void End(const char* what) {
    if (Remaining() != 0) {
      Fail(Num(Remaining()) + " bytes left over after the " + std::string(what), Offset());
    }
  }

  [[noreturn]] void Fail(const std::string& what, size_t at) const { throw EWireError(what, at); }

 private:
  void Need(size_t bytes, const char* what) {
    if (bytes > Remaining()) {
      Fail(std::string(what) + " needs " + Num(bytes) + " bytes but " + Num(Remaining()) +
               " remain",
           Offset());
    }
  }

  uint64_t Little(int bytes, const char* what) {
    Need(static_cast<size_t>(bytes), what);
    uint64_t value = 0;
    for (int i = 0; i < bytes; ++i) {
      value |= static_cast<uint64_t>(static_cast<uint8_t>(data_[pos_ + i])) << (8 * i);
    }
    pos_ += static_cast<size_t>(bytes);
    return value;
  }

  void CheckLength(uint64_t bytes, const char* what, size_t at) const {
    if (bytes > limits_.maxTextBytes) {
      Fail(std::string(what) + " of " + Num(bytes) + " bytes is longer than the limit of " +
               Num(limits_.maxTextBytes),
           at);
    }
    if (bytes > Remaining()) {
      Fail(std::string(what) + " of " + Num(bytes) + " bytes runs past the end: " +
               Num(Remaining()) + " bytes remain",
           at);
    }
  }

  Variant Array(int depth, size_t at) {
    if (depth >= limits_.maxDepth) {
      Fail("arrays nested deeper than the limit of " + Num(static_cast<uint64_t>(limits_.maxDepth)),
           at);
    }
    const size_t dimsAt = Offset();
    const uint8_t dims = U8("array dimension count");
    if (dims != 1 && dims != 2) {
      Fail("array of " + Num(dims) + " dimensions (only 1 or 2 exist)", dimsAt);
    }
    const size_t rowsAt = Offset();
    const uint64_t rows = U32("array length");
    const uint64_t cols = dims == 2 ? U32("array width") : 1;
    // Each length must also fit the int high bound of a Variant array, which
    // the element limit does not imply when the other dimension is 0.
    const uint64_t intLimit = static_cast<uint64_t>(std::numeric_limits<int>::max());
    if (rows > intLimit || cols > intLimit || rows > limits_.maxElements ||
        cols > limits_.maxElements) {
      Fail("array dimension of " + Num(rows > cols ? rows : cols) +
               " is larger than the limit of " + Num(std::min<uint64_t>(intLimit, limits_.maxElements)),
           rowsAt);
    }
    Count(rows * cols, "array", rowsAt);

    Variant array = dims == 1 ? Variant::Array(static_cast<int>(rows) - 1)
                              : Variant::Array2(static_cast<int>(rows) - 1, static_cast<int>(cols) - 1);
    if (dims == 1) {
      for (uint64_t i = 0; i < rows; ++i) array[static_cast<int>(i)] = Value(depth + 1);
    } else {
      for (uint64_t i = 0; i < rows; ++i) {
        for (uint64_t j = 0; j < cols; ++j) {
          array.At(static_cast<int>(i), static_cast<int>(j)) = Value(depth + 1);
        }
      }
    }
    return array;
  }

  std::string_view data_;
  size_t base_;
  size_t pos_ = 0;
  WireObjectTable* objects_;
  const WireLimits& limits_;
  size_t elements_ = 0;
};

bool KnownKind(uint8_t kind) {
  return kind >= static_cast<uint8_t>(FrameKind::kCall) &&
         kind <= static_cast<uint8_t>(FrameKind::kRelease);
}

// ---------------------------------------------------------------------------
// Errors across the wire

// An error raised on the receiving side for one raised by the peer: the
// platform class the catcher expects, the peer's class name for logs.
template <class Base>
class ERemote : public Base {
 public:
  template <class... Args>
  ERemote(std::string className, Args&&... args)
      : Base(std::forward<Args>(args)...), className_(std::move(className)) {}
  const char* ClassName() const override { return className_.c_str(); }

 private:
  std::string className_;
};

// The platform error class an error is one of, most specific first.
const char* BaseClassOf(const std::exception& error) {
  if (dynamic_cast<const EWireError*>(&error)) return "EWireError";
  if (dynamic_cast<const EAbort*>(&error)) return "EAbort";
  if (dynamic_cast<const EConvertError*>(&error)) return "EConvertError";
  if (dynamic_cast<const EVariantError*>(&error)) return "EVariantError";
  if (dynamic_cast<const EDispatchError*>(&error)) return "EDispatchError";
  if (dynamic_cast<const EDatabaseError*>(&error)) return "EDatabaseError";
  if (dynamic_cast<const EConnectionError*>(&error)) return "EConnectionError";
  if (dynamic_cast<const ELanguageError*>(&error)) return "ELanguageError";
  if (dynamic_cast<const EOSError*>(&error)) return "EOSError";
  if (dynamic_cast<const EInOutError*>(&error)) return "EInOutError";
  return "Exception";
}

}  // namespace

EWireError::EWireError(const std::string& what, size_t offset)
    : Exception("Wire: " + what + " at offset " + Num(offset)), detail_(what), offset_(offset) {}

EWireError::EWireError(const std::string& message)
    : Exception(message), detail_(message), offset_(0) {}

const char* FrameKindName(FrameKind kind) {
  switch (kind) {
    case FrameKind::kCall: return "call";
    case FrameKind::kAnswer: return "answer";
    case FrameKind::kError: return "error";
    case FrameKind::kPropertyGet: return "property get";
    case FrameKind::kPropertyPut: return "property put";
    case FrameKind::kRelease: return "release";
  }
  return "unknown";
}

namespace {

Frame HeaderOnly(FrameKind kind, uint64_t requestId, uint64_t objectId) {
  Frame frame;
  frame.kind = kind;
  frame.requestId = requestId;
  frame.objectId = objectId;
  return frame;
}

}  // namespace

Frame CallFrame(uint64_t requestId, uint64_t objectId, std::string member, VarArgs args) {
  Frame frame = HeaderOnly(FrameKind::kCall, requestId, objectId);
  frame.member = std::move(member);
  frame.args = std::move(args);
  return frame;
}

Frame AnswerFrame(uint64_t requestId, uint64_t objectId, Variant result, VarArgs args) {
  Frame frame = HeaderOnly(FrameKind::kAnswer, requestId, objectId);
  frame.value = std::move(result);
  frame.args = std::move(args);
  return frame;
}

Frame PropertyGetFrame(uint64_t requestId, uint64_t objectId, std::string member) {
  Frame frame = HeaderOnly(FrameKind::kPropertyGet, requestId, objectId);
  frame.member = std::move(member);
  return frame;
}

Frame PropertyPutFrame(uint64_t requestId, uint64_t objectId, std::string member, Variant value) {
  Frame frame = HeaderOnly(FrameKind::kPropertyPut, requestId, objectId);
  frame.member = std::move(member);
  frame.value = std::move(value);
  return frame;
}

Frame ReleaseFrame(uint64_t requestId, uint64_t objectId) {
  return HeaderOnly(FrameKind::kRelease, requestId, objectId);
}

Frame ErrorFrame(uint64_t requestId, uint64_t objectId, const std::exception& error) {
  Frame frame = HeaderOnly(FrameKind::kError, requestId, objectId);
  frame.errorBaseClass = BaseClassOf(error);
  if (const auto* platformError = dynamic_cast<const Exception*>(&error)) {
    frame.errorClass = platformError->ClassName();
  } else {
    frame.errorClass = frame.errorBaseClass;
  }
  frame.errorMessage = error.what();
  if (const auto* osError = dynamic_cast<const EOSError*>(&error)) {
    frame.errorCode = osError->Code();
  } else if (const auto* ioError = dynamic_cast<const EInOutError*>(&error)) {
    frame.errorCode = ioError->Code();
  }
  return frame;
}

void RaiseErrorFrame(const Frame& frame) {
  if (frame.kind != FrameKind::kError) {
    throw EWireError(std::string("Wire: a frame of kind ") + FrameKindName(frame.kind) +
                     " carries no error to raise");
  }
  const std::string& base = frame.errorBaseClass;
  const std::string& name = frame.errorClass.empty() ? base : frame.errorClass;
  const std::string& message = frame.errorMessage;
  if (base == "EAbort") throw ERemote<EAbort>(name);
  if (base == "EWireError") throw ERemote<EWireError>(name, message);
  if (base == "EConvertError") throw ERemote<EConvertError>(name, message);
  if (base == "EVariantError") throw ERemote<EVariantError>(name, message);
  if (base == "EDispatchError") throw ERemote<EDispatchError>(name, message);
  if (base == "EDatabaseError") throw ERemote<EDatabaseError>(name, message);
  if (base == "EConnectionError") throw ERemote<EConnectionError>(name, message);
  if (base == "ELanguageError") throw ERemote<ELanguageError>(name, message);
  if (base == "EOSError") throw ERemote<EOSError>(name, message, frame.errorCode);
  if (base == "EInOutError") throw ERemote<EInOutError>(name, message, frame.errorCode);
  throw ERemote<Exception>(name.empty() ? std::string("Exception") : name, message);
}

std::string EncodeFrame(const Frame& frame, WireObjectTable* objects, const WireLimits& limits) {
  std::string out;
  Encoder encoder(&out, objects, limits);
  encoder.U32(0);  // the length, filled in below
  out.append(kMagic, sizeof kMagic);
  encoder.U16(kWireVersion);
  encoder.U8(static_cast<uint8_t>(frame.kind));
  encoder.U8(0);
  encoder.U64(frame.requestId);
  encoder.U64(frame.objectId);

  auto arguments = [&] {
    if (frame.args.size() > std::numeric_limits<uint32_t>::max()) {
      encoder.Fail(Num(frame.args.size()) + " arguments");
    }
    encoder.Count(frame.args.size(), "the argument list");
    encoder.U32(static_cast<uint32_t>(frame.args.size()));
    for (const Variant& arg : frame.args) encoder.Value(arg, 0);
  };
  switch (frame.kind) {
    case FrameKind::kCall:
      encoder.Text(frame.member, "member name");
      arguments();
      break;
    case FrameKind::kAnswer:
      encoder.Value(frame.value, 0);
      arguments();
      break;
    case FrameKind::kError:
      encoder.Text(frame.errorClass, "error class name");
      encoder.Text(frame.errorBaseClass, "error base class name");
      encoder.Text(frame.errorMessage, "error message");
      encoder.U32(static_cast<uint32_t>(frame.errorCode));
      break;
    case FrameKind::kPropertyGet:
      encoder.Text(frame.member, "member name");
      break;
    case FrameKind::kPropertyPut:
      encoder.Text(frame.member, "member name");
      encoder.Value(frame.value, 0);
      break;
    case FrameKind::kRelease:
      break;
    default:
      encoder.Fail("frame kind " + Num(static_cast<unsigned>(frame.kind)));
  }

  const size_t length = out.size() - kFramePrefixBytes;
  if (length > limits.maxFrameBytes || length > std::numeric_limits<uint32_t>::max()) {
    throw EWireError("Cannot encode: a frame of " + Num(length) +
                         " bytes is larger than the limit of " + Num(limits.maxFrameBytes),
                     0);
  }
  for (int i = 0; i < 4; ++i) out[static_cast<size_t>(i)] = static_cast<char>((length >> (8 * i)) & 0xFF);
  return out;
}

Frame DecodeFrame(std::string_view bytes, WireObjectTable* objects, const WireLimits& limits) {
  Decoder prefix(bytes, 0, objects, limits);
  const uint32_t length = prefix.U32("frame length");
  if (length < kFrameHeaderBytes) {
    throw EWireError("frame length " + Num(length) + " is shorter than the " +
                         Num(kFrameHeaderBytes) + "-byte header",
                     0);
  }
  if (length > limits.maxFrameBytes) {
    throw EWireError("frame length " + Num(length) + " is larger than the limit of " +
                         Num(limits.maxFrameBytes),
                     0);
  }
  if (bytes.size() - kFramePrefixBytes < length) {
    throw EWireError("frame is truncated: its length says " + Num(length) + " bytes but " +
                         Num(bytes.size() - kFramePrefixBytes) + " follow",
                     bytes.size());
  }
  if (bytes.size() - kFramePrefixBytes > length) {
    throw EWireError(Num(bytes.size() - kFramePrefixBytes - length) +
                         " bytes follow the end of the frame",
                     kFramePrefixBytes + length);
  }

  Decoder in(bytes.substr(kFramePrefixBytes), kFramePrefixBytes, objects, limits);
  for (size_t i = 0; i < sizeof kMagic; ++i) {
    if (static_cast<char>(in.U8("magic")) != kMagic[i]) {
      in.Fail("not a frame: wrong magic", kFramePrefixBytes);
    }
  }
  const size_t versionAt = in.Offset();
  const uint16_t version = in.U16("version");
  if (version != kWireVersion) {
    in.Fail("unsupported version " + Num(version) + " (this side speaks " + Num(kWireVersion) + ")",
            versionAt);
  }
  const size_t kindAt = in.Offset();
  const uint8_t kind = in.U8("kind");
  if (!KnownKind(kind)) in.Fail("unknown frame kind " + Num(kind), kindAt);
  const size_t flagsAt = in.Offset();
  const uint8_t flags = in.U8("flags");
  if (flags != 0) in.Fail("unknown flags " + Num(flags), flagsAt);

  Frame frame;
  frame.kind = static_cast<FrameKind>(kind);
  frame.requestId = in.U64("request id");
  frame.objectId = in.U64("object id");

  auto arguments = [&] {
    const size_t at = in.Offset();
    const uint32_t count = in.U32("argument count");
    in.Count(count, "argument list", at);
    frame.args.reserve(count);
    for (uint32_t i = 0; i < count; ++i) frame.args.push_back(in.Value(0));
  };
  switch (frame.kind) {
    case FrameKind::kCall:
      frame.member = in.Text("member name");
      arguments();
      break;
    case FrameKind::kAnswer:
      frame.value = in.Value(0);
      arguments();
      break;
    case FrameKind::kError:
      frame.errorClass = in.Text("error class name");
      frame.errorBaseClass = in.Text("error base class name");
      frame.errorMessage = in.Text("error message");
      frame.errorCode = static_cast<int32_t>(in.U32("error code"));
      break;
    case FrameKind::kPropertyGet:
      frame.member = in.Text("member name");
      break;
    case FrameKind::kPropertyPut:
      frame.member = in.Text("member name");
      frame.value = in.Value(0);
      break;
    case FrameKind::kRelease:
      break;
  }
  in.End(FrameKindName(frame.kind));
  return frame;
}

std::string SerializeVariant(const Variant& value, WireObjectTable* objects,
                             const WireLimits& limits) {
  std::string out;
  Encoder encoder(&out, objects, limits);
  encoder.U8(static_cast<uint8_t>(kWireVersion));
  encoder.Value(value, 0);
  return out;
}

Variant DeserializeVariant(std::string_view bytes, WireObjectTable* objects,
                           const WireLimits& limits) {
  Decoder in(bytes, 0, objects, limits);
  const uint8_t version = in.U8("version");
  if (version != kWireVersion) {
    in.Fail("unsupported version " + Num(version) + " (this side speaks " + Num(kWireVersion) + ")",
            0);
  }
  Variant value = in.Value(0);
  in.End("value");
  return value;
}

// ---------------------------------------------------------------------------
// FrameReader

FrameReader::FrameReader(WireObjectTable* objects, WireLimits limits)
    : objects_(objects), limits_(limits) {}

void FrameReader::Broken() const {
  throw EWireError("the stream has no frame boundary since an earlier error: " + failure_,
                   static_cast<size_t>(consumed_ + checked_));
}

void FrameReader::Feed(std::string_view bytes) {
  if (!failure_.empty()) Broken();
  // Drop what was taken out once it is the larger part, so that a long-lived
  // connection neither grows nor copies much.
  if (start_ > 0 && start_ >= buffer_.size() - start_) {
    buffer_.erase(0, start_);
    checked_ -= start_;
    consumed_ += start_;
    start_ = 0;
  }
  buffer_.append(bytes.data(), bytes.size());
  CheckPrefixes();
}

void FrameReader::CheckPrefixes() {
  while (checked_ + kFramePrefixBytes <= buffer_.size()) {
    uint32_t length = 0;
    for (size_t i = 0; i < kFramePrefixBytes; ++i) {
      length |= static_cast<uint32_t>(static_cast<uint8_t>(buffer_[checked_ + i])) << (8 * i);
    }
    std::string fault;
    if (length < kFrameHeaderBytes) {
      fault = "frame length " + Num(length) + " is shorter than the " + Num(kFrameHeaderBytes) +
              "-byte header";
    } else if (length > limits_.maxFrameBytes) {
      fault = "frame length " + Num(length) + " is larger than the limit of " +
              Num(limits_.maxFrameBytes);
    }
    if (!fault.empty()) {
      failure_ = fault + " at stream offset " + Num(consumed_ + checked_);
      throw EWireError(fault, static_cast<size_t>(consumed_ + checked_));
    }
    checked_ += kFramePrefixBytes + length;
  }
}

bool FrameReader::Next(Frame* frame) {
  if (!failure_.empty()) Broken();
  if (Pending() < kFramePrefixBytes) return false;
  uint32_t length = 0;
  for (size_t i = 0; i < kFramePrefixBytes; ++i) {
    length |= static_cast<uint32_t>(static_cast<uint8_t>(buffer_[start_ + i])) << (8 * i);
  }
  // CheckPrefixes has vetted this length.
  const size_t total = kFramePrefixBytes + length;
  if (Pending() < total) return false;

  const std::string_view bytes(buffer_.data() + start_, total);
  const uint64_t frameOffset = consumed_ + start_;
  start_ += total;  // consumed whether or not it decodes, so the next frame stays readable
  try {
    *frame = DecodeFrame(bytes, objects_, limits_);
  } catch (const EWireError& error) {
    throw EWireError(error.Detail() + " (frame from stream offset " + Num(frameOffset) + ")",
                     static_cast<size_t>(frameOffset + error.Offset()));
  }
  return true;
}

}  // namespace pellor
