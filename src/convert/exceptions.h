#pragma once
// The program's failures: one family rooted in Exception, each carrying the
// message text that the error box shows. EAbort ends a handler silently.
#include <exception>
#include <string>

namespace quorlin {

class Exception : public std::exception {
 public:
  explicit Exception(std::string message) : message_(std::move(message)) {}
  const std::string& Message() const noexcept { return message_; }
  const char* what() const noexcept override { return message_.c_str(); }

 private:
  std::string message_;
};

class EAbort : public Exception {
 public:
  EAbort() : Exception("Operation aborted") {}
};

// "Cannot open file %s"
class EFOpenError : public Exception {
 public:
  explicit EFOpenError(const std::string& fileName) : Exception("Cannot open file " + fileName) {}
};

// "Cannot create file %s"
class EFCreateError : public Exception {
 public:
  explicit EFCreateError(const std::string& fileName)
      : Exception("Cannot create file " + fileName) {}
};

// "Stream write error"
class EWriteError : public Exception {
 public:
  EWriteError() : Exception("Stream write error") {}
};

// "Stream read error": a file that opened but could not be read to its end.
class EReadError : public Exception {
 public:
  EReadError() : Exception("Stream read error") {}
};

// "Text exceeds memo capacity" and the like.
class EInvalidOperation : public Exception {
 public:
  using Exception::Exception;
};

// "'%s' is not a valid integer value" and the like.
class EConvertError : public Exception {
 public:
  using Exception::Exception;
};

// Text that is not valid in the encoding it must be read in, with its place:
// "lettre.txt : UTF-8 invalide à la ligne 2, colonne 5".
class EEncodingError : public EConvertError {
 public:
  using EConvertError::EConvertError;
};

}  // namespace quorlin
