#pragma once
// Read-ahead byte buffer of the asynchronous socket: bytes taken off the descriptor (or out of the
// TLS layer) and not yet handed to a read request. A linear block that never shrinks; it becomes
// compact again only by running empty.

#include <cstddef>
#include <cstdint>
#include <vector>

namespace td {

class GCDAsyncSocketPreBuffer {
 public:
  explicit GCDAsyncSocketPreBuffer(std::size_t capacity);

  // Grows the block so that at least n bytes fit behind the write position.
  void ensureCapacityForWrite(std::size_t n);

  std::size_t availableBytes() const { return writePointer_ - readPointer_; }
  const std::uint8_t* readBuffer() const { return block_.data() + readPointer_; }
  void getReadBuffer(const std::uint8_t** bufferPtr, std::size_t* availableBytesPtr) const;
  // Marks n bytes as handed out; when none remain both positions return to the start.
  void didRead(std::size_t n);

  std::size_t availableSpace() const { return block_.size() - writePointer_; }
  std::uint8_t* writeBuffer() { return block_.data() + writePointer_; }
  void getWriteBuffer(std::uint8_t** bufferPtr, std::size_t* availableSpacePtr);
  void didWrite(std::size_t n);

  // Drops the content and keeps the block.
  void reset() { readPointer_ = writePointer_ = 0; }

  std::size_t preBufferSize() const { return block_.size(); }

 private:
  std::vector<std::uint8_t> block_;
  std::size_t readPointer_ = 0;   // offset of the next byte to hand out
  std::size_t writePointer_ = 0;  // offset where the next received byte goes
};

}  // namespace td
