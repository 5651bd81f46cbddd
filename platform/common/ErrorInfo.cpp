#include "common/ErrorInfo.h"

#include "common/AppInfo.h"
#include "common/RuntimeErrors.h"

#include <exception>
#include <new>

void RaiseError(qint32 number, const QString& description, const QString& source) {
  throw ErrorInfo{number, description, source};
}

ErrorInfo CurrentError() {
  try {
    throw;
  } catch (const ErrorInfo& e) {
    return e;
  } catch (const std::bad_alloc&) {
    return {kErrOutOfMemory, QStringLiteral("Out of memory"), AppSourceName()};
  } catch (const std::exception& e) {
    return {kErrInternal, QString::fromLocal8Bit(e.what()), AppSourceName()};
  } catch (...) {
    return {kErrInternal, QStringLiteral("Unexpected internal error"), AppSourceName()};
  }
}
