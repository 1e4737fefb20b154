#include "transport/GCDAsyncSocketPreBuffer.h"

#include <cassert>

namespace td {

GCDAsyncSocketPreBuffer::GCDAsyncSocketPreBuffer(std::size_t capacity) : block_(capacity) {}

void GCDAsyncSocketPreBuffer::ensureCapacityForWrite(std::size_t n) {
  const std::size_t space = availableSpace();
  if (n > space) block_.resize(block_.size() + (n - space));
}

void GCDAsyncSocketPreBuffer::getReadBuffer(const std::uint8_t** bufferPtr, std::size_t* availableBytesPtr) const {
  if (bufferPtr) *bufferPtr = readBuffer();
  if (availableBytesPtr) *availableBytesPtr = availableBytes();
}

void GCDAsyncSocketPreBuffer::didRead(std::size_t n) {
  assert(n <= availableBytes());
  readPointer_ += n;
  if (readPointer_ == writePointer_) reset();
}

void GCDAsyncSocketPreBuffer::getWriteBuffer(std::uint8_t** bufferPtr, std::size_t* availableSpacePtr) {
  if (bufferPtr) *bufferPtr = writeBuffer();
  if (availableSpacePtr) *availableSpacePtr = availableSpace();
}

void GCDAsyncSocketPreBuffer::didWrite(std::size_t n) {
  assert(n <= availableSpace());
  writePointer_ += n;
}

}  // namespace td
