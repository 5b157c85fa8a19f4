// The error family of the platform.
//
// Behaviour throughout the system is phrased as "raise" and "catch": a check
// raises the silent abort, a connection error propagates to the form's start,
// a log writer never raises. Each error carries the message a user or a log
// would see; the class tells the catcher what kind of failure it was.
#ifndef PELLOR_RTL_ERRORS_H_
#define PELLOR_RTL_ERRORS_H_

#include <stdexcept>
#include <string>

namespace pellor {

// Root of every error the platform and the module raise. The message is a
// byte string in the code page of whoever composed it.
class Exception : public std::runtime_error {
 public:
  explicit Exception(const std::string& message) : std::runtime_error(message) {}
  // The class name a log line shows ("Exception is %s").
  virtual const char* ClassName() const { return "Exception"; }
  std::string Message() const { return what(); }
};

#define PELLOR_DECLARE_ERROR(Name, Base)                              \
  class Name : public Base {                                          \
   public:                                                             \
    explicit Name(const std::string& message) : Base(message) {}      \
    const char* ClassName() const override { return #Name; }          \
  }

// Ends the current user action without any message; whoever started the
// action swallows it.
class EAbort : public Exception {
 public:
  EAbort() : Exception("Operation aborted") {}
  const char* ClassName() const override { return "EAbort"; }
};

PELLOR_DECLARE_ERROR(EConvertError, Exception);   // text that is not a number, date ...
PELLOR_DECLARE_ERROR(EVariantError, Exception);   // tagged value of the wrong type or shape
PELLOR_DECLARE_ERROR(EDispatchError, Exception);  // unknown member, failing outside call
PELLOR_DECLARE_ERROR(EDatabaseError, Exception);
PELLOR_DECLARE_ERROR(EConnectionError, Exception);
PELLOR_DECLARE_ERROR(ELanguageError, Exception);

// An operating-system call failed; `Code` is the errno value.
class EOSError : public Exception {
 public:
  EOSError(const std::string& message, int code) : Exception(message), code_(code) {}
  const char* ClassName() const override { return "EOSError"; }
  int Code() const { return code_; }

 private:
  int code_;
};

// A file operation failed; `Code` is the errno value.
class EInOutError : public Exception {
 public:
  EInOutError(const std::string& message, int code) : Exception(message), code_(code) {}
  const char* ClassName() const override { return "EInOutError"; }
  int Code() const { return code_; }

 private:
  int code_;
};

}  // namespace pellor

#endif  // PELLOR_RTL_ERRORS_H_
