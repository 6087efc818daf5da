"""Figures out of samples, and the ways the benchmark shows them: the table
of ratios and the growth chart (a plain SVG file)."""

import math
import statistics


def spread(samples):
    """Median, lowest and highest of a list of numbers."""
    return {"median": statistics.median(samples), "min": min(samples), "max": max(samples)}


def paired_ratios(numerators, denominators):
    """The ratio of each interleaved pair of measurements, so that a machine
    that slows down for a while moves both sides of a pair alike."""
    if len(numerators) != len(denominators) or not numerators:
        raise ValueError("ratios need pairs")
    return [a / b for a, b in zip(numerators, denominators)]


def growth_exponent(entries, seconds):
    """The exponent k of seconds ~ entries^k fitted by least squares on the
    logarithms: 1 is linear growth, more than 1 is faster."""
    if len(entries) < 2:
        raise ValueError("a growth needs two points at least")
    xs = [math.log(n) for n in entries]
    ys = [math.log(s) for s in seconds]
    mean_x = sum(xs) / len(xs)
    mean_y = sum(ys) / len(ys)
    numerator = sum((x - mean_x) * (y - mean_y) for x, y in zip(xs, ys))
    denominator = sum((x - mean_x) ** 2 for x in xs)
    return numerator / denominator


def verdict(value, target, higher_is_better=False):
    if target is None:
        return ""
    return "met" if (value >= target if higher_is_better else value <= target) else "MISSED"


def format_table(rows):
    """rows: dictionaries with measure, value, unit, target (text), range
    (text), verdict, detail. Returns the table as text."""
    headers = ("measure", "ratio", "target", "spread (min-max)", "verdict", "measured")
    cells = [(row["measure"], "%.2f%s" % (row["value"], row.get("unit", "")), row.get("target", ""),
              row.get("range", ""), row.get("verdict", ""), row.get("detail", "")) for row in rows]
    widths = [max(len(headers[i]), *(len(cell[i]) for cell in cells)) for i in range(len(headers))]
    lines = ["  ".join(text.ljust(width) for text, width in zip(headers, widths)).rstrip(),
             "  ".join("-" * width for width in widths)]
    for cell in cells:
        lines.append("  ".join(text.ljust(width) for text, width in zip(cell, widths)).rstrip())
    return "\n".join(lines)


def _nice_step(span, count=5):
    raw = span / count
    magnitude = 10 ** math.floor(math.log10(raw))
    for factor in (1, 2, 2.5, 5, 10):
        if raw <= factor * magnitude:
            return factor * magnitude
    return 10 * magnitude


def _escape(text):
    return text.replace("&", "&amp;").replace("<", "&lt;").replace(">", "&gt;")


def growth_chart_svg(series, title, x_label, y_label):
    """A line chart of one or more series, each (name, colour, [(x, y)...]),
    on linear axes from 0, with a dotted straight line from the origin
    through the last point of the first series for comparison with linear
    growth."""
    width, height = 640, 400
    left, right, top, bottom = 70, 40, 40, 60
    plot_w, plot_h = width - left - right, height - top - bottom
    max_x = max(x for _, _, points in series for x, _ in points)
    max_y = max(y for _, _, points in series for _, y in points)
    step_x, step_y = _nice_step(max_x), _nice_step(max_y)
    top_x = math.ceil(max_x / step_x) * step_x
    top_y = math.ceil(max_y / step_y) * step_y

    def px(x):
        return left + plot_w * x / top_x

    def py(y):
        return top + plot_h - plot_h * y / top_y

    parts = ['<svg xmlns="http://www.w3.org/2000/svg" width="%d" height="%d" viewBox="0 0 %d %d" '
             'font-family="sans-serif" font-size="12">' % (width, height, width, height),
             '<rect width="100%" height="100%" fill="white"/>',
             '<text x="%d" y="22" font-size="14" font-weight="bold">%s</text>' % (left, _escape(title))]
    tick = 0.0
    while tick <= top_x + step_x / 2:
        parts.append('<line x1="%.1f" y1="%d" x2="%.1f" y2="%d" stroke="#ddd"/>' % (px(tick), top, px(tick),
                                                                                    top + plot_h))
        parts.append('<text x="%.1f" y="%d" text-anchor="middle">%s</text>' % (px(tick), top + plot_h + 16,
                                                                              "{:,.0f}".format(tick)))
        tick += step_x
    tick = 0.0
    while tick <= top_y + step_y / 2:
        parts.append('<line x1="%d" y1="%.1f" x2="%d" y2="%.1f" stroke="#ddd"/>' % (left, py(tick),
                                                                                    left + plot_w, py(tick)))
        parts.append('<text x="%d" y="%.1f" text-anchor="end">%g</text>' % (left - 6, py(tick) + 4,
                                                                           round(tick, 6)))
        tick += step_y
    parts.append('<rect x="%d" y="%d" width="%d" height="%d" fill="none" stroke="#333"/>' % (left, top, plot_w,
                                                                                             plot_h))
    parts.append('<text x="%.1f" y="%d" text-anchor="middle">%s</text>' % (left + plot_w / 2, height - 14,
                                                                           _escape(x_label)))
    parts.append('<text transform="translate(16 %.1f) rotate(-90)" text-anchor="middle">%s</text>' %
                 (top + plot_h / 2, _escape(y_label)))

    last_x, last_y = series[0][2][-1]
    parts.append('<line x1="%.1f" y1="%.1f" x2="%.1f" y2="%.1f" stroke="#888" stroke-dasharray="4 4"/>' %
                 (px(0), py(0), px(last_x), py(last_y)))
    for index, (name, colour, points) in enumerate(series):
        path = " ".join("%.1f,%.1f" % (px(x), py(y)) for x, y in points)
        parts.append('<polyline points="%s" fill="none" stroke="%s" stroke-width="2"/>' % (path, colour))
        for x, y in points:
            parts.append('<circle cx="%.1f" cy="%.1f" r="3.5" fill="%s"/>' % (px(x), py(y), colour))
        legend_y = top + 16 + 18 * index
        parts.append('<line x1="%d" y1="%d" x2="%d" y2="%d" stroke="%s" stroke-width="2"/>' %
                     (left + 12, legend_y - 4, left + 32, legend_y - 4, colour))
        parts.append('<text x="%d" y="%d">%s</text>' % (left + 38, legend_y, _escape(name)))
    legend_y = top + 16 + 18 * len(series)
    parts.append('<line x1="%d" y1="%d" x2="%d" y2="%d" stroke="#888" stroke-dasharray="4 4"/>' %
                 (left + 12, legend_y - 4, left + 32, legend_y - 4))
    parts.append('<text x="%d" y="%d">linear through the last point</text>' % (left + 38, legend_y))
    parts.append("</svg>")
    return "\n".join(parts) + "\n"
