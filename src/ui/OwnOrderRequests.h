#pragma once
// The order desk answers every request on one notification, "PlaceOrderNotification", and every
// open order window hears it: the ticket and the position sheet of the moment alike. A refusal
// belongs to the window whose request it answers, and only that window shows it. The desk posts
// its answer at once, on the caller's thread, before the request call returns; so a window marks
// the span of its own calls to the desk and shows the texts that come within it. Main thread only.

namespace td {

class OwnOrderRequests {
 public:
  // While one lives, what the desk posts answers this window.
  class Span {
   public:
    explicit Span(OwnOrderRequests& owner) : owner_(owner) { ++owner_.depth_; }
    ~Span() { --owner_.depth_; }
    Span(const Span&) = delete;
    Span& operator=(const Span&) = delete;

   private:
    OwnOrderRequests& owner_;
  };

  [[nodiscard]] Span open() { return Span(*this); }
  bool underway() const { return depth_ > 0; }

 private:
  int depth_ = 0;
};

}  // namespace td
