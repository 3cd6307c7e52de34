#pragma once
// When Form3 is brought back above AutoCAD during a run. AutoCAD is activated after Form3 was
// shown, so Form3 restacks itself when the times are set and at the first progress caption; not
// at every drawing, where it would cost a few milliseconds each.
namespace kavro::run {

class RestackRule {
 public:
  // Whether to restack before a label changes; `isCaption` for the progress caption (Label1).
  bool BeforeLabel(bool isCaption) {
    if (!isCaption) return true;
    if (captionRestacked_) return false;
    captionRestacked_ = true;
    return true;
  }

 private:
  bool captionRestacked_ = false;
};

}  // namespace kavro::run
