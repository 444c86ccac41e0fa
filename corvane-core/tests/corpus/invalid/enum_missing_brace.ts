enum Color { Red, Green
