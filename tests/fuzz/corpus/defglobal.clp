(defglobal ?*a* = 1 ?*b* = (+ 1 2) ?*c* = nil ?*d* = "q\"\\")
?*b*
