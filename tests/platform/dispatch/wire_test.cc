#include "platform/dispatch/wire.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <limits>
#include <memory>
#include <stdexcept>
#include <typeinfo>

#include "platform/rtl/codepage.h"
#include "platform/rtl/errors.h"

namespace pellor {
namespace {

// The connection's object table reduced to its core: handles are positions in
// a list, so a value sent and received on one side gets the same object back.
class TTestObjectTable : public WireObjectTable {
 public:
  uint64_t HandleOf(const DispatchPtr& object) override {
    for (size_t i = 0; i < objects_.size(); ++i) {
      if (objects_[i] == object) return i + 1;
    }
    objects_.push_back(object);
    return objects_.size();
  }
  DispatchPtr ObjectOf(uint64_t handle, const std::string& className) override {
    lastClassName = className;
    if (handle == 0 || handle > objects_.size()) return nullptr;
    return objects_[handle - 1];
  }
  std::string lastClassName;

 private:
  std::vector<DispatchPtr> objects_;
};

class TSplitter : public TDispatchObject {
 public:
  TSplitter() : TDispatchObject("PellorTest.Splitter") {
    // Split(text, out left, out right) → whether the text held a comma.
    AddMethod("Split", 3, 3, [](VarArgs& args) {
      const std::string text = args[0].AsString();
      const size_t comma = text.find(',');
      if (comma == std::string::npos) return Variant(false);
      args[1] = text.substr(0, comma);
      args[2] = Variant::ArrayOf({text.substr(comma + 1), static_cast<int>(comma)});
      return Variant(true);
    });
  }
};

uint64_t Bits(double value) {
  uint64_t bits;
  std::memcpy(&bits, &value, sizeof bits);
  return bits;
}

// Same type, same shape, same value; floats compared bit for bit so NaN and
// -0.0 count.
void ExpectSame(const Variant& expected, const Variant& actual, const std::string& where = "") {
  ASSERT_EQ(expected.Type(), actual.Type()) << where;
  switch (expected.Type()) {
    case VarType::kFloat:
    case VarType::kDate:
      EXPECT_EQ(Bits(expected.Type() == VarType::kDate ? expected.AsDate() : expected.AsFloat()),
                Bits(actual.Type() == VarType::kDate ? actual.AsDate() : actual.AsFloat()))
          << where;
      return;
    case VarType::kArray:
      ASSERT_EQ(expected.Dims(), actual.Dims()) << where;
      ASSERT_EQ(expected.HighBound(1), actual.HighBound(1)) << where;
      if (expected.Dims() == 1) {
        for (int i = 0; i <= expected.HighBound(1); ++i) {
          ExpectSame(expected[i], actual[i], where + "[" + std::to_string(i) + "]");
        }
      } else {
        ASSERT_EQ(expected.HighBound(2), actual.HighBound(2)) << where;
        for (int i = 0; i <= expected.HighBound(1); ++i) {
          for (int j = 0; j <= expected.HighBound(2); ++j) {
            ExpectSame(expected.At(i, j), actual.At(i, j),
                       where + "[" + std::to_string(i) + "," + std::to_string(j) + "]");
          }
        }
      }
      return;
    default:
      EXPECT_TRUE(expected == actual) << where;
  }
}

Variant Nested(int depth) {
  Variant value = 7;
  for (int i = 0; i < depth; ++i) value = Variant::ArrayOf({value});
  return value;
}

// Values of every kind, for round trips and as the body of sample frames.
std::vector<Variant> EveryKind(const DispatchPtr& object) {
  Variant grid = Variant::Array2(1, 2);
  grid.At(0, 0) = 1;
  grid.At(0, 2) = "corner";
  grid.At(1, 1) = Variant::ArrayOf({Variant::Null(), 2.5});
  return {
      Variant(),
      Variant::Null(),
      Variant(0),
      Variant(int64_t{-1}),
      Variant(std::numeric_limits<int64_t>::min()),
      Variant(std::numeric_limits<int64_t>::max()),
      Variant(3.25),
      Variant(-0.0),
      Variant(std::numeric_limits<double>::infinity()),
      Variant(std::numeric_limits<double>::quiet_NaN()),
      Variant(true),
      Variant(false),
      Variant(""),
      Variant(Cp936("评价因素")),
      Variant(std::string("nul\0inside\xff", 11)),
      Variant(u""),
      Variant(u"宽\U0001F600\xFFFF"),
      Variant::Date(45292.75),
      Variant::Array(-1),
      Variant::ArrayOf({1, "two", Variant::ArrayOf({3.0, Variant::ArrayOf({u"four"})})}),
      grid,
      Variant::Array2(-1, 4),
      Variant::Array2(3, -1),
      Variant(object),
      Nested(32),
  };
}

class WireTest : public ::testing::Test {
 protected:
  std::string SampleFrame() {
    return EncodeFrame(CallFrame(41, 3, "Lookup", EveryKind(object_)), &table_);
  }

  DispatchPtr object_ = std::make_shared<TSplitter>();
  TTestObjectTable table_;
};

std::string WireErrorOf(const std::function<void()>& action, size_t* offset = nullptr) {
  try {
    action();
  } catch (const EWireError& error) {
    if (offset) *offset = error.Offset();
    return error.what();
  }
  return "(no EWireError)";
}

TEST_F(WireTest, EveryKindOfValueRoundTrips) {
  const std::vector<Variant> values = EveryKind(object_);
  for (size_t i = 0; i < values.size(); ++i) {
    const std::string bytes = SerializeVariant(values[i], &table_);
    ExpectSame(values[i], DeserializeVariant(bytes, &table_), "value " + std::to_string(i));
  }
  EXPECT_EQ(table_.lastClassName, "PellorTest.Splitter");
}

TEST_F(WireTest, EncodingIsLittleEndianAndLedByTheVersion) {
  EXPECT_EQ(SerializeVariant(Variant(int64_t{0x0102030405060708})),
            std::string("\x01\x02\x08\x07\x06\x05\x04\x03\x02\x01", 10));
  EXPECT_EQ(SerializeVariant(Variant(u"A\u4E2D")), std::string("\x01\x06\x02\0\0\0A\0\x2D\x4E", 10));
  EXPECT_EQ(SerializeVariant(Variant::Array2(0, 1)),
            std::string("\x01\x09\x02\x01\0\0\0\x02\0\0\0\0\0", 13));
}

TEST_F(WireTest, FramesOfEveryKindRoundTrip) {
  const std::vector<Variant> values = EveryKind(object_);
  std::vector<Frame> frames = {
      CallFrame(1, 2, "GetSysInfo", values),
      AnswerFrame(1, 2, Variant::ArrayOf({"row", 1}), values),
      PropertyGetFrame(3, 4, "Version"),
      PropertyPutFrame(5, 6, "Name", Variant(u"新名")),
      ReleaseFrame(7, std::numeric_limits<uint64_t>::max()),
      ErrorFrame(8, 9, EOSError("no such file", 2)),
  };
  for (const Frame& sent : frames) {
    const Frame got = DecodeFrame(EncodeFrame(sent, &table_), &table_);
    SCOPED_TRACE(FrameKindName(sent.kind));
    EXPECT_EQ(got.kind, sent.kind);
    EXPECT_EQ(got.requestId, sent.requestId);
    EXPECT_EQ(got.objectId, sent.objectId);
    EXPECT_EQ(got.member, sent.member);
    ExpectSame(sent.value, got.value);
    ASSERT_EQ(got.args.size(), sent.args.size());
    for (size_t i = 0; i < sent.args.size(); ++i) ExpectSame(sent.args[i], got.args[i]);
    EXPECT_EQ(got.errorClass, sent.errorClass);
    EXPECT_EQ(got.errorBaseClass, sent.errorBaseClass);
    EXPECT_EQ(got.errorMessage, sent.errorMessage);
    EXPECT_EQ(got.errorCode, sent.errorCode);
  }
}

// A whole call as the connection will make it: the client sends, the server
// invokes and answers with the result and the arguments after the call, and
// the client writes those back into its own argument vector.
TEST_F(WireTest, OutArgumentsComeBackThroughTheAnswer) {
  VarArgs clientArgs{"left,right", Variant(), Variant()};
  const std::string call = EncodeFrame(CallFrame(17, 1, "Split", clientArgs));

  Frame received = DecodeFrame(call);
  Variant result = object_->Invoke(received.member, received.args);
  const std::string answer =
      EncodeFrame(AnswerFrame(received.requestId, received.objectId, result, received.args));

  Frame answered = DecodeFrame(answer);
  EXPECT_EQ(answered.kind, FrameKind::kAnswer);
  EXPECT_EQ(answered.requestId, 17u);
  ASSERT_EQ(answered.args.size(), clientArgs.size());
  clientArgs = answered.args;
  ExpectSame(Variant(true), answered.value);
  ExpectSame(Variant("left"), clientArgs[1]);
  ExpectSame(Variant::ArrayOf({"right", 4}), clientArgs[2]);
}

class ESqlGatewayError : public EDatabaseError {
 public:
  using EDatabaseError::EDatabaseError;
  const char* ClassName() const override { return "ESqlGatewayError"; }
};

void RelayError(const std::exception& error) {
  RaiseErrorFrame(DecodeFrame(EncodeFrame(ErrorFrame(1, 1, error))));
}

template <class Expected>
void ExpectRelayedAs(const std::exception& sent, const char* className, const std::string& message) {
  try {
    RelayError(sent);
    ADD_FAILURE() << "nothing raised for " << className;
  } catch (const Expected& error) {
    EXPECT_STREQ(error.ClassName(), className);
    EXPECT_EQ(error.Message(), message);
  } catch (const std::exception& error) {
    ADD_FAILURE() << className << " came back as " << typeid(error).name() << ": " << error.what();
  }
}

// The client raises the platform class the server's error belongs to, with the
// server's class name, message and code.
TEST(WireErrorTest, ErrorFramesReraiseThePlatformClass) {
  ExpectRelayedAs<EDatabaseError>(EDatabaseError("table is locked"), "EDatabaseError",
                                  "table is locked");
  ExpectRelayedAs<EDatabaseError>(ESqlGatewayError("write refused"), "ESqlGatewayError",
                                  "write refused");
  ExpectRelayedAs<EDispatchError>(EDispatchError("unknown method"), "EDispatchError",
                                  "unknown method");
  ExpectRelayedAs<EAbort>(EAbort(), "EAbort", "Operation aborted");
  ExpectRelayedAs<EConvertError>(EConvertError("'x' is not a number"), "EConvertError",
                                 "'x' is not a number");
  ExpectRelayedAs<EConnectionError>(EConnectionError("lost"), "EConnectionError", "lost");
  ExpectRelayedAs<EWireError>(EWireError("bad tag", 30), "EWireError", "Wire: bad tag at offset 30");
  ExpectRelayedAs<Exception>(Exception(Cp936("错误")), "Exception", Cp936("错误"));
  ExpectRelayedAs<Exception>(std::runtime_error("plain"), "Exception", "plain");

  try {
    RelayError(EInOutError("disk full", 28));
    ADD_FAILURE();
  } catch (const EInOutError& error) {
    EXPECT_EQ(error.Code(), 28);
  }
  // A base class this side does not know still arrives as a platform error.
  Frame unknown = ErrorFrame(1, 1, EDatabaseError("x"));
  unknown.errorClass = "EFuture";
  unknown.errorBaseClass = "EFutureBase";
  try {
    RaiseErrorFrame(unknown);
  } catch (const EDatabaseError&) {
    ADD_FAILURE() << "an unknown base class must not pose as a known one";
  } catch (const Exception& error) {
    EXPECT_STREQ(error.ClassName(), "EFuture");
  }
  EXPECT_THROW(RaiseErrorFrame(ReleaseFrame(1, 1)), EWireError);
}

TEST_F(WireTest, EveryCutOfAFrameIsRefused) {
  const std::string frame = SampleFrame();
  ASSERT_GT(frame.size(), 200u);
  for (size_t cut = 0; cut < frame.size(); ++cut) {
    size_t offset = 0;
    const std::string cutFrame = frame.substr(0, cut);
    EXPECT_NE(WireErrorOf([&] { DecodeFrame(cutFrame, &table_); }, &offset), "(no EWireError)")
        << "cut at " << cut;
    EXPECT_LE(offset, cut);
    // The same cut with a length prefix that agrees: the payload ends early.
    if (cut >= kFramePrefixBytes) {
      std::string relabelled = cutFrame;
      const uint32_t length = static_cast<uint32_t>(cut - kFramePrefixBytes);
      for (int i = 0; i < 4; ++i) relabelled[static_cast<size_t>(i)] = static_cast<char>(length >> (8 * i));
      EXPECT_NE(WireErrorOf([&] { DecodeFrame(relabelled, &table_); }), "(no EWireError)")
          << "relabelled cut at " << cut;
    }
  }
  EXPECT_NO_THROW(DecodeFrame(frame, &table_));
}

// Builds frames byte by byte, to say things a sound encoder never says.
class Bytes {
 public:
  Bytes& U8(uint8_t v) { return Raw(&v, 1); }
  Bytes& U16(uint16_t v) { return Little(v, 2); }
  Bytes& U32(uint32_t v) { return Little(v, 4); }
  Bytes& U64(uint64_t v) { return Little(v, 8); }
  Bytes& Text(std::string_view text) {
    U32(static_cast<uint32_t>(text.size()));
    return Raw(text.data(), text.size());
  }
  Bytes& Raw(const void* data, size_t size) {
    bytes_.append(static_cast<const char*>(data), size);
    return *this;
  }
  // The header of a frame; Frame() puts the length in front.
  Bytes& Header(uint8_t kind, uint16_t version = kWireVersion, uint8_t flags = 0) {
    Raw("PLWF", 4).U16(version).U8(kind).U8(flags).U64(1).U64(2);
    return *this;
  }
  std::string Frame() const {
    Bytes framed;
    framed.U32(static_cast<uint32_t>(bytes_.size()));
    return framed.bytes_ + bytes_;
  }
  const std::string& str() const { return bytes_; }

 private:
  Bytes& Little(uint64_t v, int n) {
    for (int i = 0; i < n; ++i) bytes_.push_back(static_cast<char>(v >> (8 * i)));
    return *this;
  }
  std::string bytes_;
};

// A call to "M" whose single argument starts with the given bytes; the
// argument starts at offset 37.
std::string CallWithArgument(const Bytes& argument) {
  return Bytes().Header(1).Text("M").U32(1).Raw(argument.str().data(), argument.str().size()).Frame();
}

TEST(WireDecodeTest, HostileFramesFailWithWhatAndWhere) {
  const uint32_t kHuge = 0xFFFFFFFF;
  struct Case {
    const char* name;
    std::string frame;
    const char* message;
  } cases[] = {
      {"short prefix", std::string("\x10\0", 2), "frame length needs 4 bytes but 2 remain at offset 0"},
      {"length below header", Bytes().U32(10).Raw("0123456789", 10).str(),
       "frame length 10 is shorter than the 24-byte header at offset 0"},
      {"length above limit", Bytes().U32(0x04000001).Header(6).str(),
       "frame length 67108865 is larger than the limit of 67108864 at offset 0"},
      {"length beyond the bytes", Bytes().U32(30).Header(6).str(),
       "frame is truncated: its length says 30 bytes but 24 follow at offset 28"},
      {"bytes beyond the length", Bytes().Header(6).Frame() + "x",
       "1 bytes follow the end of the frame at offset 28"},
      {"magic", Bytes().Raw("PLWX", 4).U16(1).U8(6).U8(0).U64(1).U64(2).Frame(),
       "not a frame: wrong magic at offset 4"},
      {"version", Bytes().Header(6, 2).Frame(), "unsupported version 2 (this side speaks 1) at offset 8"},
      {"kind", Bytes().Header(7).Frame(), "unknown frame kind 7 at offset 10"},
      {"flags", Bytes().Header(6, 1, 0x80).Frame(), "unknown flags 128 at offset 11"},
      {"payload after a release", Bytes().Header(6).U8(0).Frame(),
       "1 bytes left over after the release at offset 28"},
      {"member name past the end", Bytes().Header(4).U32(100).Raw("Name", 4).Frame(),
       "member name of 100 bytes runs past the end: 4 bytes remain at offset 28"},
      {"text over the limit", CallWithArgument(Bytes().U8(5).U32(kHuge).Raw("abc", 3)),
       "narrow text of 4294967295 bytes is longer than the limit of 16777216 at offset 38"},
      {"wide text over the limit", CallWithArgument(Bytes().U8(6).U32(0x80000000)),
       "wide text of 4294967296 bytes is longer than the limit of 16777216 at offset 38"},
      {"wide text past the end", CallWithArgument(Bytes().U8(6).U32(3).Raw("a\0b\0", 4)),
       "wide text of 6 bytes runs past the end: 4 bytes remain at offset 38"},
      {"argument count", Bytes().Header(1).Text("M").U32(kHuge).Frame(),
       "argument list of 4294967295 values brings the frame past the limit of 16777216 values at offset 33"},
      {"array length over the limit", CallWithArgument(Bytes().U8(9).U8(1).U32(kHuge)),
       "array dimension of 4294967295 is larger than the limit of 16777216 at offset 39"},
      {"array within the limit but not the bytes", CallWithArgument(Bytes().U8(9).U8(1).U32((16 << 20) - 1).U8(0)),
       "array of 16777215 values cannot fit in the 1 bytes that remain at offset 39"},
      {"array of two dimensions over the limit", CallWithArgument(Bytes().U8(9).U8(2).U32(65536).U32(65536)),
       "array of 4294967296 values brings the frame past the limit of 16777216 values at offset 39"},
      {"empty array with a huge width", CallWithArgument(Bytes().U8(9).U8(2).U32(0).U32(0x7FFFFFFF)),
       "array dimension of 2147483647 is larger than the limit of 16777216 at offset 39"},
      {"three dimensions", CallWithArgument(Bytes().U8(9).U8(3).U32(1)),
       "array of 3 dimensions (only 1 or 2 exist) at offset 38"},
      {"boolean byte", CallWithArgument(Bytes().U8(4).U8(2)), "boolean byte 2 is neither 0 nor 1 at offset 38"},
      {"tag", CallWithArgument(Bytes().U8(10)), "unknown value tag 10 at offset 37"},
      {"object without a table", CallWithArgument(Bytes().U8(8).U64(1).Text("X.Y")),
       "a dispatch object arrived without an object table at offset 37"},
      {"integer cut short", CallWithArgument(Bytes().U8(2).U32(1)),
       "integer needs 8 bytes but 4 remain at offset 38"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(WireErrorOf([&] { DecodeFrame(c.frame); }), std::string("Wire: ") + c.message) << c.name;
  }
}

TEST(WireDecodeTest, NestingIsBoundedOnBothSides) {
  const std::string deepest = EncodeFrame(CallFrame(1, 1, "M", {Nested(32)}));
  ExpectSame(Nested(32), DecodeFrame(deepest).args[0]);

  EXPECT_EQ(WireErrorOf([] { EncodeFrame(CallFrame(1, 1, "M", {Nested(33)})); }),
            "Wire: Cannot encode: arrays nested deeper than the limit of 32 at offset 229");
  WireLimits deep;
  deep.maxDepth = 40;
  const std::string tooDeep = EncodeFrame(CallFrame(1, 1, "M", {Nested(33)}), nullptr, deep);
  EXPECT_EQ(WireErrorOf([&] { DecodeFrame(tooDeep); }),
            "Wire: arrays nested deeper than the limit of 32 at offset 229");

  // A frame that is nothing but array openings stops at the limit, long before
  // its end, rather than recursing once per byte group.
  Bytes opener;
  for (int i = 0; i < 100000; ++i) opener.U8(9).U8(1).U32(1);
  EXPECT_EQ(WireErrorOf([&] { DecodeFrame(CallWithArgument(opener)); }),
            "Wire: arrays nested deeper than the limit of 32 at offset 229");
}

TEST(WireDecodeTest, ElementsAndTextsCountAgainstConfiguredLimits) {
  WireLimits small;
  small.maxElements = 10;
  small.maxTextBytes = 8;
  const Variant four = Variant::ArrayOf({1, 2, 3, 4});

  // Three arguments and two arrays of four: 11 values in one frame.
  const Frame overBudget = CallFrame(1, 1, "M", {four, four, 0});
  EXPECT_EQ(WireErrorOf([&] { DecodeFrame(EncodeFrame(overBudget), nullptr, small); }),
            "Wire: array of 4 values brings the frame past the limit of 10 values at offset 81");
  EXPECT_NE(WireErrorOf([&] { EncodeFrame(overBudget, nullptr, small); }), "(no EWireError)");
  EXPECT_NO_THROW(DecodeFrame(EncodeFrame(CallFrame(1, 1, "M", {four, four}), nullptr, small),
                              nullptr, small));

  EXPECT_EQ(WireErrorOf([&] { DecodeFrame(EncodeFrame(CallFrame(1, 1, "M", {u"12345"})), nullptr, small); }),
            "Wire: wide text of 10 bytes is longer than the limit of 8 at offset 38");
  EXPECT_EQ(WireErrorOf([&] { EncodeFrame(CallFrame(1, 1, "M", {"123456789"}), nullptr, small); }),
            "Wire: Cannot encode: narrow text of 9 bytes is longer than the limit of 8 at offset 38");
  WireLimits narrow;
  narrow.maxFrameBytes = 100;
  const Frame large = CallFrame(1, 1, "M", VarArgs(9, Variant(1.5)));
  EXPECT_EQ(WireErrorOf([&] { EncodeFrame(large, nullptr, narrow); }),
            "Wire: Cannot encode: a frame of 114 bytes is larger than the limit of 100 at offset 0");
  EXPECT_EQ(WireErrorOf([&] { DecodeFrame(EncodeFrame(large), nullptr, narrow); }),
            "Wire: frame length 114 is larger than the limit of 100 at offset 0");
}

TEST_F(WireTest, ObjectsNeedATableAndAKnownHandle) {
  EXPECT_EQ(WireErrorOf([&] { EncodeFrame(CallFrame(1, 1, "M", {Variant(object_)})); }),
            "Wire: Cannot encode: a dispatch object cannot travel without an object table at offset 37");
  TTestObjectTable other;  // knows no handles
  const std::string frame = EncodeFrame(CallFrame(1, 1, "M", {Variant(object_)}), &table_);
  EXPECT_EQ(WireErrorOf([&] { DecodeFrame(frame, &other); }), "Wire: unknown object handle 1 at offset 37");
}

TEST_F(WireTest, ReaderAssemblesFramesFromSingleBytes) {
  const std::vector<std::string> frames = {SampleFrame(), EncodeFrame(ReleaseFrame(2, 3)),
                                           EncodeFrame(PropertyGetFrame(4, 5, "Name"))};
  std::string stream;
  for (const std::string& frame : frames) stream += frame;

  FrameReader reader(&table_);
  std::vector<Frame> got;
  Frame frame;
  for (char byte : stream) {
    reader.Feed(std::string_view(&byte, 1));
    while (reader.Next(&frame)) got.push_back(frame);
  }
  ASSERT_EQ(got.size(), 3u);
  EXPECT_EQ(got[0].member, "Lookup");
  ExpectSame(EveryKind(object_).back(), got[0].args.back());
  EXPECT_EQ(got[1].kind, FrameKind::kRelease);
  EXPECT_EQ(got[2].member, "Name");
  EXPECT_EQ(reader.Pending(), 0u);

  // All in one chunk, followed by half a frame.
  reader.Feed(stream + frames[1].substr(0, 10));
  int count = 0;
  while (reader.Next(&frame)) ++count;
  EXPECT_EQ(count, 3);
  EXPECT_EQ(reader.Pending(), 10u);
  reader.Feed(frames[1].substr(10));
  EXPECT_TRUE(reader.Next(&frame));
  EXPECT_EQ(frame.requestId, 2u);
}

TEST(FrameReaderTest, AnOversizedLengthFailsAtOnceAndForGood) {
  FrameReader reader;
  const std::string release = EncodeFrame(ReleaseFrame(1, 1));
  reader.Feed(release);
  // The second prefix declares 1 GiB: refused on its arrival, not after 1 GiB.
  EXPECT_EQ(WireErrorOf([&] { reader.Feed(std::string("\0\0\0\x40", 4)); }),
            "Wire: frame length 1073741824 is larger than the limit of 67108864 at offset 28");
  Frame frame;
  EXPECT_NE(WireErrorOf([&] { reader.Next(&frame); }), "(no EWireError)");
  EXPECT_NE(WireErrorOf([&] { reader.Feed(release); }), "(no EWireError)");
}

TEST(FrameReaderTest, AFaultyFrameIsReportedOnceAndTheNextStillArrives) {
  std::string bad = EncodeFrame(PropertyGetFrame(1, 1, "Name"));
  bad[10] = 9;  // the kind
  FrameReader reader;
  reader.Feed(EncodeFrame(ReleaseFrame(1, 1)) + bad + EncodeFrame(ReleaseFrame(2, 2)));
  Frame frame;
  ASSERT_TRUE(reader.Next(&frame));
  EXPECT_EQ(WireErrorOf([&] { reader.Next(&frame); }),
            "Wire: unknown frame kind 9 (frame from stream offset 28) at offset 38");
  ASSERT_TRUE(reader.Next(&frame));
  EXPECT_EQ(frame.requestId, 2u);
  EXPECT_FALSE(reader.Next(&frame));
}

}  // namespace
}  // namespace pellor
