// The drawing object the module's canvas (HtmlCanvas in quillard_web.cpp) draws through: device pixels
// of an HTML canvas, y growing downward, one-pixel lines on pixel centres as the window draws them,
// outlined rectangles covering Left..Right-1 by Top..Bottom-1, text by its top-left corner in black.
// Lines that follow on from each other with one pen become one path, stroked when anything else comes.

const Dashes = [[], [4, 2], [1, 2], null]; // Solid, Dash, Dot, Clear: the window's patterns per pen width

export class CanvasSurface {
    constructor(canvas, width, height) {
        const scale = window.devicePixelRatio || 1;
        canvas.width = Math.round(width * scale);
        canvas.height = Math.round(height * scale);
        canvas.style.width = width + 'px';
        canvas.style.height = height + 'px';
        this.ctx = canvas.getContext('2d');
        this.ctx.setTransform(scale, 0, 0, scale, 0, 0);
        this.pen = { color: '#000000', width: 1, dash: [] };
        this.brush = { color: '#ffffff', solid: true };
        this.x = 0;
        this.y = 0;
        this.pathOpen = false;
        this.setFont('Arial', 8, false);
    }

    moveTo(x, y) {
        this.x = x;
        this.y = y;
    }

    lineTo(x, y) {
        if (this.pen.dash) {
            const ctx = this.ctx;
            const offset = this.pen.width % 2 ? 0.5 : 0;
            if (!this.pathOpen) {
                ctx.beginPath();
                this.pathOpen = true;
            }
            ctx.moveTo(this.x + offset, this.y + offset);
            ctx.lineTo(x + offset, y + offset);
        }
        this.x = x;
        this.y = y;
    }

    rectangle(left, top, right, bottom) {
        this.flush();
        if (right <= left || bottom <= top) return;
        const ctx = this.ctx;
        if (this.brush.solid) {
            ctx.fillStyle = this.brush.color;
            ctx.fillRect(left, top, right - left, bottom - top);
        }
        if (this.pen.dash) {
            this.stroke(() => ctx.strokeRect(left + 0.5, top + 0.5, right - left - 1, bottom - top - 1));
        }
    }

    textOut(x, y, text) {
        this.flush();
        if (!text) return;
        this.ctx.font = this.font;
        this.ctx.fillStyle = '#000000';
        this.ctx.textBaseline = 'alphabetic';
        this.ctx.fillText(text, x, y + this.ascent);
    }

    textWidth(text) {
        this.ctx.font = this.font;
        return Math.round(this.ctx.measureText(text).width);
    }

    textHeight() {
        return this.ascent + this.descent;
    }

    setPen(color, width, style) {
        this.flush();
        this.pen = { color, width: Math.max(1, width), dash: Dashes[style] };
    }

    setBrush(color, solid) {
        this.flush();
        this.brush = { color, solid };
    }

    // Point sizes at the screen's 96 pixels an inch; Arial, or the sans-serif face that stands in for it.
    setFont(name, pointSize, bold) {
        this.flush();
        const family = /^arial$/i.test(name) ? 'Arial, "Liberation Sans", "DejaVu Sans", sans-serif' : `"${name}", sans-serif`;
        this.font = `${bold ? 'bold ' : ''}${(pointSize * 96) / 72}px ${family}`;
        this.ctx.font = this.font;
        const m = this.ctx.measureText('Xg');
        this.ascent = Math.round(m.fontBoundingBoxAscent ?? m.actualBoundingBoxAscent);
        this.descent = Math.round(m.fontBoundingBoxDescent ?? m.actualBoundingBoxDescent);
    }

    stroke(draw) {
        const ctx = this.ctx;
        ctx.strokeStyle = this.pen.color;
        ctx.lineWidth = this.pen.width;
        ctx.lineCap = 'square';
        ctx.setLineDash(this.pen.dash.map((d) => d * this.pen.width));
        draw();
    }

    // Strokes the lines drawn since the last change of pen.
    flush() {
        if (!this.pathOpen) return;
        this.pathOpen = false;
        this.stroke(() => this.ctx.stroke());
    }
}
