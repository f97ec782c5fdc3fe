(defglobal ?*self* = "(parse ?*self*)")
(parse ?*self*)
(deffunction down (?n) (down (+ ?n 1)))
(down 0)
