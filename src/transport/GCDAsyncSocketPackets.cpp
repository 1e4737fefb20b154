#include "transport/GCDAsyncSocketPackets.h"

#include <algorithm>
#include <cassert>
#include <cstring>

#include "transport/GCDAsyncSocketPreBuffer.h"

namespace td {

GCDAsyncReadPacket::GCDAsyncReadPacket(std::shared_ptr<GCDAsyncSocketBytes> data, std::uint64_t offset,
                                       std::uint64_t maxLen, double timeoutSeconds, std::uint64_t readLen,
                                       const GCDAsyncSocketBytes* terminator, std::int64_t callerTag)
    : startOffset(offset),
      maxLength(maxLen),
      timeout(timeoutSeconds),
      readLength(readLen),
      tag(callerTag),
      hasTerm_(terminator != nullptr && !terminator->empty()) {
  if (hasTerm_) term = *terminator;
  if (data) {
    buffer = std::move(data);
    bufferOwner = false;
    originalBufferLength = buffer->size();
  } else {
    buffer = std::make_shared<GCDAsyncSocketBytes>(readLength > 0 ? readLength : 0);
    startOffset = 0;
    bufferOwner = true;
    originalBufferLength = 0;
  }
}

void GCDAsyncReadPacket::ensureCapacityForAdditionalDataOfLength(std::size_t n) {
  const std::size_t room = freeRoom();
  if (n > room) buffer->resize(buffer->size() + (n - room));
}

std::size_t GCDAsyncReadPacket::optimalReadLengthWithDefault(std::size_t defaultValue, bool* shouldPreBufferPtr) const {
  std::size_t result;
  if (readLength > 0) {
    result = std::min<std::uint64_t>(defaultValue, readLength - bytesDone);
    if (shouldPreBufferPtr) *shouldPreBufferPtr = false;
  } else {
    result = maxLength > 0 ? std::min<std::uint64_t>(defaultValue, maxLength - bytesDone) : defaultValue;
    if (shouldPreBufferPtr) *shouldPreBufferPtr = result > freeRoom();
  }
  return result;
}

std::size_t GCDAsyncReadPacket::readLengthForNonTermWithHint(std::size_t bytesAvailable) const {
  assert(!hasTerm_ && "This method does not apply to term reads");
  assert(bytesAvailable > 0 && "Invalid parameter: bytesAvailable");
  if (readLength > 0) return std::min<std::uint64_t>(bytesAvailable, readLength - bytesDone);
  if (maxLength > 0) return std::min<std::uint64_t>(bytesAvailable, maxLength - bytesDone);
  return bytesAvailable;
}

std::size_t GCDAsyncReadPacket::readLengthForTermWithHint(std::size_t bytesAvailable, bool* shouldPreBufferPtr) const {
  assert(hasTerm_ && "This method does not apply to non-term reads");
  assert(bytesAvailable > 0 && "Invalid parameter: bytesAvailable");
  const std::size_t result =
      maxLength > 0 ? std::min<std::uint64_t>(bytesAvailable, maxLength - bytesDone) : bytesAvailable;
  if (shouldPreBufferPtr) *shouldPreBufferPtr = result > freeRoom();
  return result;
}

std::size_t GCDAsyncReadPacket::readLengthForTermWithPreBuffer(const GCDAsyncSocketPreBuffer& preBuffer,
                                                               bool* foundPtr) const {
  assert(hasTerm_ && "This method does not apply to non-term reads");
  const std::size_t available = preBuffer.availableBytes();
  assert(available > 0 && "Invoked with empty pre buffer!");
  const std::size_t termLength = term.size();
  if (bytesDone + available < termLength) return available;

  const std::size_t maxPre =
      maxLength > 0 ? std::min<std::uint64_t>(available, maxLength - bytesDone) : available;
  const std::size_t back = std::min<std::size_t>(bytesDone, termLength - 1);
  const std::uint8_t* packetTail = buffer->data() + startOffset + bytesDone - back;
  const std::uint8_t* pre = preBuffer.readBuffer();
  auto at = [&](std::size_t i) { return i < back ? packetTail[i] : pre[i - back]; };

  if (back + maxPre >= termLength) {
    const std::size_t positions = back + maxPre - termLength + 1;
    for (std::size_t k = 0; k < positions; ++k) {
      bool match = true;
      for (std::size_t j = 0; j < termLength && match; ++j) match = at(k + j) == term[j];
      if (match) {
        if (foundPtr) *foundPtr = true;
        return k - back + termLength;
      }
    }
  }
  if (foundPtr) *foundPtr = false;
  return maxPre;
}

std::int64_t GCDAsyncReadPacket::searchForTermAfterPreBuffering(std::size_t numBytes) const {
  assert(hasTerm_ && "This method does not apply to non-term reads");
  const std::size_t total = bytesDone + numBytes;
  const std::size_t termLength = term.size();
  std::size_t i = bytesDone >= termLength ? bytesDone - termLength + 1 : 0;
  const std::uint8_t* base = buffer->data() + startOffset;
  for (; i + termLength <= total; ++i) {
    if (std::memcmp(base + i, term.data(), termLength) == 0) {
      return static_cast<std::int64_t>(total - (i + termLength));
    }
  }
  return -1;
}

}  // namespace td
