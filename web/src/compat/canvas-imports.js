// Tells the linker that the canvas functions the module imports (web/src/CanvasCairo.cpp) are
// provided: the page answers them (web/js/canvas.js). These bodies are never used.
mergeInto(LibraryManager.library, {
  save() {}, restore() {}, scale() {}, beginPath() {}, moveTo() {}, lineTo() {}, arc() {},
  rect() {}, closePath() {}, fill() {}, stroke() {}, clip() {}, paint() {}, setColour() {},
  setGradient() {}, setLineWidth() {}, setLineCap() {}, createGradient() {}, addStop() {},
  deleteGradient() {}, setFont() {}, textWidth() {}, fillText() {},
});
