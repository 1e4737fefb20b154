#pragma once
// The queued requests of the asynchronous socket: a read request (with the length and terminator
// arithmetic of the read side), a write request, and the marker that starts TLS in both queues.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "transport/GCDAsyncSocketTLSSettings.h"

namespace td {

class GCDAsyncSocketPreBuffer;

using GCDAsyncSocketBytes = std::vector<std::uint8_t>;

// Common base so that one queue can hold data requests and TLS markers.
class GCDAsyncSocketPacket {
 public:
  virtual ~GCDAsyncSocketPacket() = default;
};

class GCDAsyncReadPacket final : public GCDAsyncSocketPacket {
 public:
  // data: the caller's buffer (used as is, not copied) or null for a buffer of the packet's own;
  // maxLength 0 = unbounded; timeout < 0 = none; readLength 0 = not a fixed-length read;
  // term empty = no terminator (the terminator is copied).
  GCDAsyncReadPacket(std::shared_ptr<GCDAsyncSocketBytes> data, std::uint64_t startOffset, std::uint64_t maxLength,
                     double timeout, std::uint64_t readLength, const GCDAsyncSocketBytes* term, std::int64_t tag);

  // Lengthens the buffer so that n more bytes fit behind startOffset + bytesDone.
  void ensureCapacityForAdditionalDataOfLength(std::size_t n);
  std::size_t optimalReadLengthWithDefault(std::size_t defaultValue, bool* shouldPreBufferPtr) const;
  std::size_t readLengthForNonTermWithHint(std::size_t bytesAvailable) const;
  std::size_t readLengthForTermWithHint(std::size_t bytesAvailable, bool* shouldPreBufferPtr) const;
  std::size_t readLengthForTermWithPreBuffer(const GCDAsyncSocketPreBuffer& preBuffer, bool* foundPtr) const;
  // After n new bytes were placed behind bytesDone (bytesDone not yet raised): the number of bytes
  // behind the terminator, or -1 when the terminator is not among the windows that touch new bytes.
  std::int64_t searchForTermAfterPreBuffering(std::size_t numBytes) const;

  bool hasTerm() const { return hasTerm_; }
  std::size_t freeRoom() const { return buffer->size() - static_cast<std::size_t>(startOffset + bytesDone); }
  std::uint8_t* writePosition() { return buffer->data() + startOffset + bytesDone; }

  std::shared_ptr<GCDAsyncSocketBytes> buffer;
  std::uint64_t startOffset;
  std::uint64_t bytesDone = 0;
  std::uint64_t maxLength;
  double timeout;
  std::uint64_t readLength;
  GCDAsyncSocketBytes term;
  bool bufferOwner;
  std::uint64_t originalBufferLength;
  std::int64_t tag;

 private:
  bool hasTerm_;
};

class GCDAsyncWritePacket final : public GCDAsyncSocketPacket {
 public:
  GCDAsyncWritePacket(std::shared_ptr<const GCDAsyncSocketBytes> data, double timeout, std::int64_t tag)
      : buffer(std::move(data)), tag(tag), timeout(timeout) {}

  std::shared_ptr<const GCDAsyncSocketBytes> buffer;  // held, not copied
  std::uint64_t bytesDone = 0;
  std::int64_t tag;
  double timeout;
};

// Stands in both queues where TLS is to start.
class GCDAsyncSpecialPacket final : public GCDAsyncSocketPacket {
 public:
  explicit GCDAsyncSpecialPacket(GCDAsyncSocketTLSSettings settings) : tlsSettings(std::move(settings)) {}
  GCDAsyncSocketTLSSettings tlsSettings;
};

}  // namespace td
