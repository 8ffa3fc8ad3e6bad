0[playlist]
NumberOfEntries=3
File3=C:\c.mp3
File1 = C:\a.mp3
Title1=First
Length1=-1
File2=relative\b.mp2
File10=ten.mp3

[other]
File4=not in the list.mp3
Version=2
