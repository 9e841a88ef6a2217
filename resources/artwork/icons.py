#!/usr/bin/env python3
"""Writes the icon family as SVG files: 24 x 24 grid, one 2-unit round stroke, no fills except
where a shape is meant to read as solid. Navigation icons also get a "_sel" twin in the blue of a
checked navigation button's text."""
import os
import sys

INK = "#1f1f1f"
SELECTED = "#0000ff"  # Qt's "blue", the checked navigation text colour

HEAD = ('<svg xmlns="http://www.w3.org/2000/svg" width="24" height="24" viewBox="0 0 24 24" '
        'fill="none" stroke="{c}" stroke-width="2" stroke-linecap="round" '
        'stroke-linejoin="round">\n')

ICONS = {
    # Navigation
    "adjustment": """
  <path d="M4 6h9M17 6h3M4 12h3M11 12h9M4 18h11M19 18h1"/>
  <circle cx="15" cy="6" r="2"/>
  <circle cx="9" cy="12" r="2"/>
  <circle cx="17" cy="18" r="2"/>""",
    "advanced": """
  <path d="M3 8.5a2 2 0 0 1 2-2h2.5L9.5 4h5l2 2.5H19a2 2 0 0 1 2 2V18a2 2 0 0 1-2 2H5a2 2 0 0 1-2-2z"/>
  <circle cx="12" cy="13" r="3.5"/>""",
    "profile": """
  <circle cx="12" cy="8" r="4"/>
  <path d="M4 21c0-4 3.6-7 8-7s8 3 8 7"/>""",
    "about": """
  <circle cx="12" cy="12" r="9"/>
  <path d="M12 11v6"/>
  <path d="M12 7.5v.01" stroke-width="2.5"/>""",
    # Image controls
    "brightness": """
  <circle cx="12" cy="12" r="4"/>
  <path d="M12 2v2M12 20v2M2 12h2M20 12h2M4.9 4.9l1.4 1.4M17.7 17.7l1.4 1.4M4.9 19.1l1.4-1.4M17.7 6.3l1.4-1.4"/>""",
    "contrast": """
  <circle cx="12" cy="12" r="9"/>
  <path d="M12 3a9 9 0 0 1 0 18z" fill="{c}"/>""",
    "hue": """
  <circle cx="12" cy="8.5" r="5"/>
  <circle cx="8" cy="15" r="5"/>
  <circle cx="16" cy="15" r="5"/>""",
    "saturation": """
  <path d="M12 3l5.5 7.5a6.8 6.8 0 1 1-11 0z"/>
  <path d="M6 14.5h12a6 6 0 0 1-12 0z" fill="{c}" stroke="none"/>""",
    "sharpness": """
  <path d="M12 3l9 9-9 9-9-9z"/>
  <path d="M12 3v18l-9-9z" fill="{c}"/>""",
    "gamma": """
  <path d="M4 3v17h17"/>
  <path d="M7 17C12 16 14 12 18 5"/>""",
    "whitebalance": """
  <path d="M2.5 7l2 10 2.5-7 2.5 7 2-10"/>
  <path d="M14.5 7v10h3.5a2.5 2.5 0 0 0 0-5h-3.5 3a2.5 2.5 0 0 0 0-5z"/>""",
    "backlight_compensation": """
  <circle cx="12" cy="9" r="3.5"/>
  <path d="M6 21c0-3.3 2.7-6 6-6s6 2.7 6 6"/>
  <path d="M12 2v1M4.5 9h-1M20.5 9h-1M6.3 3.3l.8.8M17.7 3.3l-.8.8"/>""",
    "gain": """
  <path d="M7 5v14l12-7z"/>
  <path d="M2 12h5M19 12h3"/>""",
    "exposure": """
  <rect x="3" y="3" width="18" height="18" rx="2"/>
  <path d="M21 3L3 21"/>
  <path d="M5.5 8h5M8 5.5v5M13.5 16h5"/>""",
    # Camera controls
    "focus": """
  <path d="M3 8V4a1 1 0 0 1 1-1h4M16 3h4a1 1 0 0 1 1 1v4M21 16v4a1 1 0 0 1-1 1h-4M8 21H4a1 1 0 0 1-1-1v-4"/>
  <circle cx="12" cy="12" r="3.5"/>""",
    "zoom": """
  <circle cx="10.5" cy="10.5" r="7"/>
  <path d="M15.5 15.5L21 21M10.5 7.5v6M7.5 10.5h6"/>""",
    "pan": """
  <path d="M2.5 12h19M6.5 8l-4 4 4 4M17.5 8l4 4-4 4"/>""",
    "tilt": """
  <path d="M12 2.5v19M8 6.5l4-4 4 4M8 17.5l4 4 4-4"/>""",
    "roll": """
  <path d="M20 12a8 8 0 1 1-2.34-5.66"/>
  <path d="M20 4v4.5h-4.5"/>""",
    # Step buttons
    "add": """
  <path d="M12 5v14M5 12h14"/>""",
    "minus": """
  <path d="M5 12h14"/>""",
}

NAVIGATION = ("adjustment", "advanced", "profile", "about")


def svg(body, colour):
    return HEAD.format(c=colour) + body.replace("{c}", colour).strip("\n") + "\n</svg>\n"


def main(out_dir):
    os.makedirs(out_dir, exist_ok=True)
    for name, body in ICONS.items():
        with open(os.path.join(out_dir, name + ".svg"), "w") as f:
            f.write(svg(body, INK))
        if name in NAVIGATION:
            with open(os.path.join(out_dir, name + "_sel.svg"), "w") as f:
                f.write(svg(body, SELECTED))


if __name__ == "__main__":
    main(sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "..", "images"))
