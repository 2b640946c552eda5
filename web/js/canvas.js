// The module's "canvas" imports: the plugin window's drawing code, compiled into the module,
// draws through them on a canvas's 2D context (see web/src/CanvasCairo.cpp for how Cairo's
// rules are kept). Point `context` at the context to draw on before calling into the module.

const kCaps = ['butt', 'round', 'square'];

export class CanvasTarget {
  constructor(getMemory) {
    this.context = null;
    this.getMemory = getMemory;
    this.gradients = new Map();
    this.nextGradient = 1;
    this.decoder = new TextDecoder();
  }

  text(pointer, length) {
    return this.decoder.decode(new Uint8Array(this.getMemory().buffer, pointer, length));
  }

  imports() {
    const cx = () => this.context;
    const colour = (r, g, b, a) =>
      `rgba(${Math.round(r * 255)},${Math.round(g * 255)},${Math.round(b * 255)},${a})`;
    return {
      save: () => cx().save(),
      restore: () => cx().restore(),
      scale: (sx, sy) => cx().scale(sx, sy),
      beginPath: () => cx().beginPath(),
      moveTo: (x, y) => cx().moveTo(x, y),
      lineTo: (x, y) => cx().lineTo(x, y),
      arc: (x, y, r, a1, a2) => cx().arc(x, y, r, a1, a2),
      rect: (x, y, w, h) => cx().rect(x, y, w, h),
      closePath: () => cx().closePath(),
      fill: () => cx().fill(),
      stroke: () => cx().stroke(),
      clip: () => cx().clip(),
      paint: () => {
        const c = cx();
        c.save();
        c.setTransform(1, 0, 0, 1, 0, 0);
        c.fillRect(0, 0, c.canvas.width, c.canvas.height);
        c.restore();
      },
      setColour: (r, g, b, a) => {
        const c = cx();
        c.fillStyle = c.strokeStyle = colour(r, g, b, a);
      },
      setGradient: (id) => {
        const c = cx();
        c.fillStyle = c.strokeStyle = this.gradients.get(id);
      },
      setLineWidth: (w) => (cx().lineWidth = w),
      setLineCap: (cap) => (cx().lineCap = kCaps[cap] ?? 'butt'),
      createGradient: (x0, y0, x1, y1) => {
        const id = this.nextGradient++;
        this.gradients.set(id, cx().createLinearGradient(x0, y0, x1, y1));
        return id;
      },
      addStop: (id, offset, r, g, b, a) => this.gradients.get(id).addColorStop(offset, colour(r, g, b, a)),
      deleteGradient: (id) => this.gradients.delete(id),
      setFont: (size, bold) => (cx().font = `${bold ? 'bold ' : ''}${size}px "DejaVu Sans", sans-serif`),
      textWidth: (pointer, length) => cx().measureText(this.text(pointer, length)).width,
      fillText: (pointer, length, x, y) => cx().fillText(this.text(pointer, length), x, y),
    };
  }
}
